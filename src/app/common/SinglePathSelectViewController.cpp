#include "app/common/SinglePathSelectViewController.h"

#include <sys/stat.h>

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/common/DefaultsStore.h"
#include "app/common/MultPathsSelectViewController.h"
#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/common/UsageEvents.h"
#include "app/shell/Icons.h"
#include "kit/Paths.h"

namespace orvane::app {

namespace {

constexpr const char* kLastSelectPath = "LastSelectPath";

bool isDirectory(const std::string& path) { return !path.empty() && kit::isFolder(path); }

}  // namespace

SinglePathSelectViewController::SinglePathSelectViewController(const QString& title,
                                                               const QString& subtitle,
                                                               QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("singlePathSelect"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    pages_ = new QStackedWidget(this);
    outer->addWidget(pages_);

    auto* single = new QWidget(pages_);
    auto* layout = new QVBoxLayout(single);
    layout->setContentsMargins(40, 30, 40, 40);
    layout->setSpacing(12);
    layout->addStretch(3);
    auto* icon = new QLabel(single);
    icon->setPixmap(appIcon(QStringLiteral("folder")).pixmap(88, 88));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    auto* titleLabel = new QLabel(title, single);
    titleLabel->setObjectName(QStringLiteral("singleTitle"));
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setStyleSheet(styles::title());
    layout->addWidget(titleLabel);
    auto* subtitleLabel = new QLabel(subtitle, single);
    subtitleLabel->setAlignment(Qt::AlignCenter);
    subtitleLabel->setWordWrap(true);
    subtitleLabel->setStyleSheet(styles::subtitle());
    layout->addWidget(subtitleLabel);
    layout->addSpacing(16);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    combo_ = new QComboBox(single);
    combo_->setObjectName(QStringLiteral("pathDropDown"));
    combo_->setMinimumWidth(300);
    combo_->setMaximumWidth(460);
    combo_->setIconSize(QSize(18, 18));
    combo_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo_->setMinimumContentsLength(24);
    row->addWidget(combo_);
    chooseButton_ = new QPushButton(loc("Choose Folder..."), single);
    chooseButton_->setObjectName(QStringLiteral("chooseButton"));
    chooseButton_->setStyleSheet(styles::secondaryButton());
    row->addWidget(chooseButton_);
    row->addStretch(1);
    layout->addLayout(row);

    selected_ = new QLabel(single);
    selected_->setObjectName(QStringLiteral("selectedPath"));
    selected_->setAlignment(Qt::AlignCenter);
    selected_->setStyleSheet(QStringLiteral("color: #8792a0; font-size: 12px;"));
    selected_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(selected_);
    warning_ = new QLabel(single);
    warning_->setObjectName(QStringLiteral("pathWarning"));
    warning_->setAlignment(Qt::AlignCenter);
    warning_->setStyleSheet(QStringLiteral("color: #c2463b; font-size: 12px;"));
    layout->addWidget(warning_);

    multipleButton_ = new QPushButton(loc("Scan several folders..."), single);
    multipleButton_->setObjectName(QStringLiteral("multipleButton"));
    multipleButton_->setStyleSheet(styles::linkButton());
    layout->addWidget(multipleButton_, 0, Qt::AlignHCenter);
    layout->addSpacing(12);
    scanButton_ = new QPushButton(loc("Scan"), single);
    scanButton_->setObjectName(QStringLiteral("scanButton"));
    scanButton_->setStyleSheet(styles::primaryButton());
    scanButton_->setMinimumWidth(180);
    layout->addWidget(scanButton_, 0, Qt::AlignHCenter);
    layout->addStretch(4);
    footnote_ = new QLabel(single);
    footnote_->setObjectName(QStringLiteral("pathFootnote"));
    footnote_->setAlignment(Qt::AlignCenter);
    footnote_->setWordWrap(true);
    footnote_->setStyleSheet(QStringLiteral("color: #8792a0; font-size: 11px;"));
    footnote_->hide();
    layout->addWidget(footnote_);
    pages_->addWidget(single);

    multi_ = new MultPathsSelectViewController(pages_);
    pages_->addWidget(multi_);
    multi_->backBlock = [this] { pages_->setCurrentIndex(0); };
    multi_->pathSelectBlock = [this](const std::vector<FolderItem>& items) {
        std::vector<std::string> paths;
        for (const FolderItem& item : items)
            if (!item.isAddBtn) paths.push_back(item.folderPath);
        if (!paths.empty() && pathSelectBlock) pathSelectBlock(paths);
    };

    connect(combo_, &QComboBox::activated, this, [this](int index) { pickEntry(index); });
    connect(chooseButton_, &QPushButton::clicked, this,
            &SinglePathSelectViewController::chooseFolder);
    connect(multipleButton_, &QPushButton::clicked, this,
            &SinglePathSelectViewController::switchToMultiple);
    connect(scanButton_, &QPushButton::clicked, this, &SinglePathSelectViewController::scan);
    reset();
}

void SinglePathSelectViewController::setFootnote(const QString& text) {
    footnote_->setText(text);
    footnote_->setVisible(!text.isEmpty());
}

void SinglePathSelectViewController::reset() {
    pathItems = {kit::customHomeDirectory(), kit::picturesDirectory()};
    if (auto last = DefaultsStore::string(kLastSelectPath); last && !last->empty())
        pathItems.push_back(*last);
    selectPath = pathItems.front();
    rebuildDropDown(0);
    pages_->setCurrentIndex(0);
}

QString SinglePathSelectViewController::entryText(int index) const {
    if (index == 1) return loc("Photos Library");
    const std::string& path = pathItems[index];
    if (index == 0)
        return displayPath(kit::directoryName(path)) + QStringLiteral(" — ") + loc("Home folder");
    return displayPath(path);
}

void SinglePathSelectViewController::rebuildDropDown(int selectIndex) {
    rebuilding_ = true;
    combo_->clear();
    for (int i = 0; i < static_cast<int>(pathItems.size()); ++i) {
        const QString iconName = i == 0   ? QStringLiteral("home")
                                 : i == 1 ? QStringLiteral("photos")
                                          : QStringLiteral("folder");
        combo_->addItem(appIcon(iconName), entryText(i));
        combo_->setItemData(i, displayPath(pathItems[i]), Qt::ToolTipRole);
    }
    combo_->setCurrentIndex(selectIndex);
    rebuilding_ = false;
    refreshScanButton();
}

void SinglePathSelectViewController::pickEntry(int index) {
    if (rebuilding_ || index < 0 || index >= static_cast<int>(pathItems.size())) return;
    selectPath = pathItems[index];
    if (combo_->currentIndex() != index) combo_->setCurrentIndex(index);
    refreshScanButton();
}

void SinglePathSelectViewController::chooseFolder() {
    const auto picked = chooseFolders(chooser, this, false);
    if (picked.empty()) return;
    const std::string& path = picked.front();
    // A folder already offered is not added twice; it becomes the choice, as picking it from the
    // drop-down would make it.
    if (auto listed = std::find(pathItems.begin(), pathItems.end(), path);
        listed != pathItems.end()) {
        pickEntry(static_cast<int>(listed - pathItems.begin()));
        return;
    }
    selectPath = path;
    DefaultsStore::setString(kLastSelectPath, path);
    pathItems.resize(2);
    pathItems.push_back(path);
    rebuildDropDown(2);
}

void SinglePathSelectViewController::switchToMultiple() {
    const auto picked = chooseFolders(chooser, this, false);
    if (picked.empty()) return;
    std::vector<FolderItem> tiles{{selectPath, false}};
    if (picked.front() != selectPath) tiles.push_back({picked.front(), false});
    multi_->setFolderItems(std::move(tiles));
    pages_->setCurrentWidget(multi_);
}

bool SinglePathSelectViewController::isShowingMultiple() const {
    return pages_->currentWidget() == multi_;
}

void SinglePathSelectViewController::scan() {
    if (!isDirectory(selectPath)) return;
    if (const auto module = usage::pathScreenModuleFor(cur); !module.empty())
        usage::process(module, analytics::action::startScan, {selectPath, "1"});
    if (pathSelectBlock) pathSelectBlock({selectPath});
}

void SinglePathSelectViewController::refreshScanButton() {
    const bool ok = isDirectory(selectPath);
    scanButton_->setEnabled(ok);
    selected_->setText(displayPath(selectPath));
    warning_->setText(ok ? QString() : loc("This folder doesn't exist or can't be opened."));
    warning_->setVisible(!ok);
}

}  // namespace orvane::app
