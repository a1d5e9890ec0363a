#include "core/junk/JunkSubcategory.h"

#include <mutex>

namespace orvane::junk {

JunkSubcategory::JunkSubcategory(std::string n, CleanBaseModelPtr m)
    : name(std::move(n)), model(std::move(m)) {}

void JunkSubcategory::addFile(const CleanBaseItemPtr& item) {
    std::unique_lock lock(rwq_);
    files_.push_back(item);
}

void JunkSubcategory::addHiddenItem(const CleanBaseItemPtr& item) {
    std::unique_lock lock(rwq_);
    hiddenItems_.push_back(item);
}

void JunkSubcategory::addSubcategory(const std::shared_ptr<JunkSubcategory>& sub) {
    std::unique_lock lock(rwq_);
    subcategories_.push_back(sub);
}

std::vector<CleanBaseItemPtr> JunkSubcategory::files() const {
    std::shared_lock lock(rwq_);
    return files_;
}

std::vector<CleanBaseItemPtr> JunkSubcategory::hiddenItems() const {
    std::shared_lock lock(rwq_);
    return hiddenItems_;
}

std::vector<std::shared_ptr<JunkSubcategory>> JunkSubcategory::subcategories() const {
    std::shared_lock lock(rwq_);
    return subcategories_;
}

std::size_t JunkSubcategory::fileCount() const {
    std::size_t n = 0;
    for (const auto& sub : subcategories()) n += sub->fileCount();
    std::shared_lock lock(rwq_);
    return n + files_.size();
}

void JunkSubcategory::collect(int& selected, int& total) const {
    for (const auto& file : files()) {
        ++total;
        if (file->isSelected) ++selected;
    }
    for (const auto& sub : subcategories()) sub->collect(selected, total);
}

CheckState JunkSubcategory::state() const {
    int selected = 0, total = 0;
    collect(selected, total);
    if (total == 0 || selected == 0) return CheckState::off;
    return selected == total ? CheckState::on : CheckState::mixed;
}

std::int64_t JunkSubcategory::selectedSize() const {
    std::int64_t sum = 0;
    for (const auto& file : files())
        if (file->isSelected) sum += file->size();
    for (const auto& sub : subcategories()) sum += sub->selectedSize();
    return sum;
}

std::int64_t JunkSubcategory::allSize() const {
    std::int64_t sum = 0;
    for (const auto& file : files()) sum += file->size();
    for (const auto& sub : subcategories()) sum += sub->allSize();
    return sum;
}

void JunkSubcategory::setItemState(bool selected) {
    for (const auto& file : files()) file->isSelected = selected;
    for (const auto& item : hiddenItems()) item->isSelected = selected;
    for (const auto& sub : subcategories()) sub->setItemState(selected);
}

JunkCategory::JunkCategory(CleanBaseModelPtr m)
    : model(std::move(m)), name(model ? model->name() : std::string()) {}

JunkSubcategoryPtr JunkCategory::addItem(const CleanBaseItemPtr& item) {
    const std::string heading = item->groupName.empty() ? std::string("Other") : item->groupName;
    JunkSubcategoryPtr target;
    {
        std::unique_lock lock(rwq_);
        for (const auto& sub : subcategories_)
            if (sub->name == heading) target = sub;
        if (!target) {
            target = std::make_shared<JunkSubcategory>(heading, model);
            target->bundleID = item->bundleIdentifier;
            target->isRecommended = item->recommended;
            subcategories_.push_back(target);
        }
    }
    target->addFile(item);
    return target;
}

std::vector<JunkSubcategoryPtr> JunkCategory::subcategories() const {
    std::shared_lock lock(rwq_);
    return subcategories_;
}

JunkSubcategoryPtr JunkCategory::subcategory(const std::string& wanted) const {
    for (const auto& sub : subcategories())
        if (sub->name == wanted) return sub;
    return nullptr;
}

CheckState JunkCategory::state() const {
    bool anyOn = false, anyOff = false;
    for (const auto& sub : subcategories()) {
        if (sub->fileCount() == 0) continue;
        switch (sub->state()) {
            case CheckState::on: anyOn = true; break;
            case CheckState::off: anyOff = true; break;
            case CheckState::mixed: return CheckState::mixed;
        }
    }
    if (anyOn && anyOff) return CheckState::mixed;
    return anyOn ? CheckState::on : CheckState::off;
}

std::int64_t JunkCategory::size() const {
    std::int64_t sum = 0;
    for (const auto& sub : subcategories()) sum += sub->allSize();
    return sum;
}

std::int64_t JunkCategory::selectedSize() const {
    std::int64_t sum = 0;
    for (const auto& sub : subcategories()) sum += sub->selectedSize();
    return sum;
}

std::size_t JunkCategory::fileCount() const {
    std::size_t n = 0;
    for (const auto& sub : subcategories()) n += sub->fileCount();
    return n;
}

void JunkCategory::setItemState(bool selected) {
    for (const auto& sub : subcategories()) sub->setItemState(selected);
}

}  // namespace orvane::junk
