#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "platform/Trash.h"

namespace orvane::platform {

// The freedesktop Trash at the places GLib names for this user: items land in
// $XDG_DATA_HOME/Trash, or in the Trash folder at the top of their own volume, each with the
// .trashinfo record that lets a file manager put it back. A second item of a name gets
// "name.2.ext", "name.3.ext", ... as GIO names them. The numbers already taken are remembered for
// the life of the object (one removal run), so thousands of items of one name cost one attempt
// each, not one per item already there.
class GioTrash final : public Trash {
public:
    TrashResult trashItem(const std::string& path) override;

    // Names tried so far, taken or not: what the remembered numbers save.
    std::uint64_t namesTried() const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, int> nextNumber_;  // trash folder + '/' + name -> next number to try
    std::uint64_t namesTried_ = 0;
};

}  // namespace orvane::platform
