#pragma once

#include <memory>
#include <optional>
#include <string>

namespace orvane::junk {

// One place an action searches, and how deep.
struct ActionPathItem {
    std::optional<std::string> filename;  // regular expression for the last path component
    std::optional<std::string> type;      // absent / "abs": a path; "special": a named place
    std::optional<std::string> value;
    std::optional<std::string> value1;
    int level = 1;
    std::optional<std::string> scanFilters;  // filter expression every candidate must pass
};

// The test applied to every hit of an action.
struct ActionAtomItem {
    std::optional<std::string> resultFilters;
};

using ActionPathItemPtr = std::shared_ptr<ActionPathItem>;
using ActionAtomItemPtr = std::shared_ptr<ActionAtomItem>;

}  // namespace orvane::junk
