#pragma once

#include <string>
#include <utility>

namespace orvane::files {

// Where removed duplicates go: into the Trash (undoable, offered first), deleted for good, or
// moved into a folder the user picked.
struct RemoveType {
    enum class Kind { folder, trash, forever };

    Kind kind = Kind::trash;
    std::string path;  // the destination folder of `folder`; empty otherwise

    static RemoveType folder(std::string destination) {
        return {Kind::folder, std::move(destination)};
    }
    static RemoveType trash() { return {Kind::trash, {}}; }
    static RemoveType forever() { return {Kind::forever, {}}; }

    bool operator==(const RemoveType&) const = default;
};

}  // namespace orvane::files
