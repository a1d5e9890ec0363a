#include "app/junk/JunkSort.h"

#include <algorithm>
#include <set>

#include "kit/LocalizedCompare.h"
#include "kit/Log.h"

namespace orvane::app {

using junk::CleanUpItemSortType;

namespace {

// Headings whose name is no case's display name go after the named ones, by name.
template <class Named>
int caseIndex(const std::string& name, Named named) {
    if (auto type = named(name)) return static_cast<int>(*type);
    return 1000;
}

void sortBySize(std::vector<junk::JunkSubcategoryPtr>& groups, CleanUpItemSortType sort) {
    std::stable_sort(groups.begin(), groups.end(), [sort](const auto& a, const auto& b) {
        return sort == CleanUpItemSortType::sizeAsc ? a->allSize() < b->allSize()
                                                    : a->allSize() > b->allSize();
    });
}

void sortDefault(std::vector<junk::JunkSubcategoryPtr>& groups, std::uint32_t junkType,
                 bool insideDeveloperGroup) {
    auto byName = [](const auto& a, const auto& b) {
        return kit::localizedStandardLess(a->name, b->name);
    };
    if (insideDeveloperGroup) {
        std::stable_sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) {
            return caseIndex(a->name, junk::xcodeJunkTypeNamed) <
                   caseIndex(b->name, junk::xcodeJunkTypeNamed);
        });
    } else if (junkType == static_cast<std::uint32_t>(junk::CleanJunkType::systemJunk)) {
        std::stable_sort(groups.begin(), groups.end(), byName);
        std::stable_sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) {
            return caseIndex(a->name, junk::systemJunkTypeNamed) <
                   caseIndex(b->name, junk::systemJunkTypeNamed);
        });
    } else if (junkType == static_cast<std::uint32_t>(junk::CleanJunkType::internetJunk)) {
        std::stable_sort(groups.begin(), groups.end(), byName);
        std::stable_sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) {
            return caseIndex(a->name, junk::internetJunkTypeNamed) <
                   caseIndex(b->name, junk::internetJunkTypeNamed);
        });
    } else {
        std::stable_sort(groups.begin(), groups.end(), byName);
    }
}

void collect(const junk::JunkSubcategory& group, std::vector<junk::CleanBaseItemPtr>& out,
             std::set<const junk::JunkSubcategory*>& seen) {
    if (!seen.insert(&group).second) {
        ORVANE_LOG("⚠️ Detected cycle: " + group.name);
        return;
    }
    const auto subs = group.subcategories();
    if (subs.empty()) {
        for (const auto& f : group.files()) out.push_back(f);
        for (const auto& h : group.hiddenItems()) out.push_back(h);
        return;
    }
    for (const auto& sub : subs) collect(*sub, out, seen);
}

}  // namespace

CleanUpItemSortType sortTypeForIndex(int index) {
    switch (index) {
        case 1: return CleanUpItemSortType::sizeAsc;
        case 2: return CleanUpItemSortType::sizeDesc;
        default: return CleanUpItemSortType::normal;
    }
}

std::vector<junk::JunkSubcategoryPtr> sortedGroups(const junk::JunkCategory& category,
                                                   CleanUpItemSortType sort) {
    auto groups = category.subcategories();
    if (sort == CleanUpItemSortType::normal) sortDefault(groups, category.model->junkType, false);
    else sortBySize(groups, sort);
    return groups;
}

std::vector<junk::JunkSubcategoryPtr> sortedGroups(const junk::JunkSubcategory& group,
                                                   std::uint32_t junkType,
                                                   CleanUpItemSortType sort) {
    auto groups = group.subcategories();
    if (sort == CleanUpItemSortType::normal)
        sortDefault(groups, junkType,
                    group.name == junk::displayName(junk::SystemJunkType::xcodeJunk));
    else sortBySize(groups, sort);
    return groups;
}

std::vector<junk::CleanBaseItemPtr> sortedItems(const junk::JunkSubcategory& group,
                                                CleanUpItemSortType sort) {
    std::vector<junk::CleanBaseItemPtr> items = group.files();
    for (const auto& h : group.hiddenItems()) items.push_back(h);
    if (sort != CleanUpItemSortType::normal)
        std::stable_sort(items.begin(), items.end(), [sort](const auto& a, const auto& b) {
            return sort == CleanUpItemSortType::sizeAsc ? a->size() < b->size()
                                                        : a->size() > b->size();
        });
    return items;
}

std::vector<junk::CleanBaseItemPtr> itemsOf(const junk::JunkSubcategory& group) {
    std::vector<junk::CleanBaseItemPtr> out;
    std::set<const junk::JunkSubcategory*> seen;
    collect(group, out, seen);
    return out;
}

std::vector<junk::CleanBaseItemPtr> itemsOf(const junk::JunkCategory& category) {
    std::vector<junk::CleanBaseItemPtr> out;
    for (const auto& sub : category.subcategories()) {
        auto items = itemsOf(*sub);
        out.insert(out.end(), items.begin(), items.end());
    }
    return out;
}

junk::CheckState stateOf(const std::vector<junk::CleanBaseItemPtr>& items) {
    std::size_t selected = 0;
    for (const auto& item : items)
        if (item->isSelected) ++selected;
    if (items.empty() || selected == 0) return junk::CheckState::off;
    return selected == items.size() ? junk::CheckState::on : junk::CheckState::mixed;
}

}  // namespace orvane::app
