#pragma once

#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

#include "core/junk/CleanBaseItem.h"
#include "core/junk/CleanBaseModel.h"

namespace orvane::junk {

enum class CheckState { off, on, mixed };

// One heading of the results (a rule group, an application, a language) with its items and any
// nested headings. Items arrive from the scan thread while the screen reads, so the lists sit
// behind a reader-writer lock; the check state and sizes are derived from the items, never
// stored.
class JunkSubcategory {
public:
    JunkSubcategory(std::string name, CleanBaseModelPtr model);

    const std::string name;
    const CleanBaseModelPtr model;
    std::string bundleID;
    bool isRecommended = false;

    void addFile(const CleanBaseItemPtr& item);
    void addHiddenItem(const CleanBaseItemPtr& item);
    void addSubcategory(const std::shared_ptr<JunkSubcategory>& sub);

    std::vector<CleanBaseItemPtr> files() const;
    std::vector<CleanBaseItemPtr> hiddenItems() const;
    std::vector<std::shared_ptr<JunkSubcategory>> subcategories() const;
    std::size_t fileCount() const;

    // All selected, none, or some.
    CheckState state() const;
    bool isSelected() const { return state() == CheckState::on; }
    std::int64_t selectedSize() const;
    std::int64_t allSize() const;
    // Selects or clears every item, hidden ones and nested groups included.
    void setItemState(bool selected);

private:
    void collect(int& selected, int& total) const;
    mutable std::shared_mutex rwq_;
    std::vector<CleanBaseItemPtr> files_;
    std::vector<CleanBaseItemPtr> hiddenItems_;
    std::vector<std::shared_ptr<JunkSubcategory>> subcategories_;
};

using JunkSubcategoryPtr = std::shared_ptr<JunkSubcategory>;

// One kind of junk on screen: its headings in the order they first appeared.
class JunkCategory {
public:
    explicit JunkCategory(CleanBaseModelPtr model);

    const CleanBaseModelPtr model;
    const std::string name;

    // Files the item under its heading (created on first use).
    JunkSubcategoryPtr addItem(const CleanBaseItemPtr& item);
    std::vector<JunkSubcategoryPtr> subcategories() const;
    JunkSubcategoryPtr subcategory(const std::string& name) const;

    CheckState state() const;
    bool isSelected() const { return state() == CheckState::on; }
    std::int64_t size() const;
    std::int64_t selectedSize() const;
    std::size_t fileCount() const;
    void setItemState(bool selected);

private:
    mutable std::shared_mutex rwq_;
    std::vector<JunkSubcategoryPtr> subcategories_;
};

using JunkCategoryPtr = std::shared_ptr<JunkCategory>;

}  // namespace orvane::junk
