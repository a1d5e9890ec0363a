#include "app/junk/CleanUpResultNewViewController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/junk/JunkSort.h"
#include "app/junk/LeftCleanUpListViewController.h"
#include "app/junk/RightCleanUpListViewController.h"
#include "core/analytics/Analytics.h"
#include "core/junk/CleanManager.h"
#include "kit/Log.h"

namespace orvane::app {

CleanUpResultNewViewController::CleanUpResultNewViewController(junk::CleanManager& manager,
                                                               QWidget* parent)
    : QWidget(parent), manager_(manager) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Horizontal, this);
    leftVC = new LeftCleanUpListViewController(split);
    leftVC->delegate = this;
    rightVC = new RightCleanUpListViewController(split);
    rightVC->updateDelegate = this;
    split->addWidget(leftVC);
    split->addWidget(rightVC);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 5);
    split->setChildrenCollapsible(false);
    // Wide enough for the longest kind name ("Installation Packages") beside its size.
    split->setSizes({300, 540});
    layout->addWidget(split, 1);

    auto* bottom = new QHBoxLayout;
    selectedLabel = new QLabel(this);
    selectedLabel->setObjectName(QStringLiteral("junkSelectedLabel"));
    selectedLabel->setTextFormat(Qt::RichText);
    bottom->addWidget(selectedLabel, 1);
    cleanButton = new QPushButton(loc("Clean"), this);
    cleanButton->setObjectName(QStringLiteral("junkClean"));
    cleanButton->setStyleSheet(styles::primaryButton());
    cleanButton->setMinimumWidth(140);
    bottom->addWidget(cleanButton);
    layout->addSpacing(8);
    layout->addLayout(bottom);

    connect(leftVC, &LeftCleanUpListViewController::categoryChosen, this,
            &CleanUpResultNewViewController::showCategory);
    connect(cleanButton, &QPushButton::clicked, this,
            &CleanUpResultNewViewController::startCleanAction);
}

void CleanUpResultNewViewController::applyCategories(
    const std::vector<junk::JunkCategoryPtr>& categories) {
    junkCategories = categories;
    leftVC->categories = categories;
    leftVC->reloadData();
    rightVC->expandedItems.clear();
    if (!leftVC->categories.empty()) {
        leftVC->selectRow(0);
        rightVC->updateWithCategory(leftVC->categories.front());
    } else {
        rightVC->updateWithCategory(nullptr);
    }
    rightVC->updateAllSelectFromLeftCheckBox(junkCategories);
    updateSelectedSizeLabel();
}

void CleanUpResultNewViewController::showCategory(int row) {
    if (row < 0 || row >= static_cast<int>(leftVC->categories.size())) return;
    rightVC->updateWithCategory(leftVC->categories[static_cast<std::size_t>(row)]);
}

std::size_t CleanUpResultNewViewController::selectedCount() const {
    std::size_t n = 0;
    for (const auto& category : junkCategories)
        for (const auto& item : itemsOf(*category))
            if (item->isSelected) ++n;
    return n;
}

std::int64_t CleanUpResultNewViewController::selectedSize() const {
    std::int64_t bytes = 0;
    for (const auto& category : junkCategories)
        for (const auto& item : itemsOf(*category))
            if (item->isSelected) bytes += item->size();
    return bytes;
}

void CleanUpResultNewViewController::updateSelectedSizeLabel() {
    const QString figures =
        QStringLiteral("%1(%2)").arg(countText(static_cast<long long>(selectedCount())),
                                     sizeText(static_cast<std::uint64_t>(selectedSize())));
    selectedLabel->setText(QStringLiteral("<span style=\"color:#000000\">%1</span> "
                                          "<span style=\"color:#057FFF\">%2</span>")
                               .arg(loc("Selected:").toHtmlEscaped(), figures.toHtmlEscaped()));
    cleanButton->setEnabled(selectedCount() > 0);
}

void CleanUpResultNewViewController::rightListDidUpdate(const junk::JunkCategoryPtr& category) {
    for (std::size_t i = 0; i < leftVC->categories.size(); ++i)
        if (leftVC->categories[i] == category) leftVC->reloadRow(static_cast<int>(i));
    updateSelectedSizeLabel();
}

void CleanUpResultNewViewController::rightListDidToggleAllSelection(bool isSelect) {
    for (const auto& category : junkCategories) category->setItemState(isSelect);
    for (std::size_t i = 0; i < leftVC->categories.size(); ++i)
        leftVC->reloadRow(static_cast<int>(i));
    updateSelectedSizeLabel();
}

void CleanUpResultNewViewController::leftListDidToggle(int row) {
    if (row >= 0 && row < static_cast<int>(leftVC->categories.size()) &&
        leftVC->categories[static_cast<std::size_t>(row)] == rightVC->currentCategory)
        rightVC->refreshChecks();
    updateSelectedSizeLabel();
    rightVC->updateAllSelectCheckBoxState();
    rightVC->updateAllSelectFromLeftCheckBox(junkCategories);
}

void CleanUpResultNewViewController::startCleanAction() {
    if (onScanCompleted) onScanCompleted();
    stateArray.clear();
    std::uint32_t kinds = 0;
    analytics::Labels names;
    for (const auto& category : junkCategories) {
        const junk::CheckState state = stateOf(itemsOf(*category));
        stateArray.push_back(state);
        ORVANE_LOG(category->name + " state " + std::to_string(static_cast<int>(state)));
        if (state == junk::CheckState::off) continue;
        kinds |= category->model->junkType;
        switch (static_cast<junk::CleanJunkType>(category->model->junkType)) {
            case junk::CleanJunkType::systemJunk: names.push_back("System"); break;
            case junk::CleanJunkType::appJunk: names.push_back("App"); break;
            case junk::CleanJunkType::trash: names.push_back("Trash"); break;
            case junk::CleanJunkType::package: names.push_back("Package"); break;
            case junk::CleanJunkType::internetJunk: names.push_back("Internet"); break;
        }
    }
    analytics::reportEvent(analytics::category::process, analytics::module::cleanup,
                           analytics::action::removeStart, names);
    for (const auto& model : manager_.getModels()) model->selectToclean = (kinds & model->junkType);
    if (onStartClean) onStartClean(stateArray);
}

}  // namespace orvane::app
