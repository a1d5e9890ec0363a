#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/junk/CategorySubItem.h"

namespace orvane::junk {

// One top-level category of the rule document: "1" system junk, "2" application junk, "3"
// internet junk.
struct CategoryItem {
    std::optional<std::string> categoryId;
    std::optional<std::string> title;
    std::optional<std::string> tips;
    std::vector<CategorySubItemPtr> subItems;
};

using CategoryItemPtr = std::shared_ptr<CategoryItem>;

}  // namespace orvane::junk
