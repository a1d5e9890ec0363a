#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/junk/ActionItem.h"

namespace orvane::junk {

// One rule group of a category, usually one application or one kind of junk. Its title and
// recommendation decide how its hits are shown and whether they start selected.
struct CategorySubItem {
    std::optional<std::string> subCategoryId;
    std::optional<std::string> title;
    std::optional<std::string> tips;
    bool recommend = false;
    bool showAction = false;
    bool fastMode = false;
    bool isCautious = false;
    std::optional<std::string> bundleId;
    std::optional<std::string> appStoreBundleId;
    std::optional<std::string> os;
    int defaultState = 1;
    std::vector<ActionItemPtr> actionItems;
};

using CategorySubItemPtr = std::shared_ptr<CategorySubItem>;

}  // namespace orvane::junk
