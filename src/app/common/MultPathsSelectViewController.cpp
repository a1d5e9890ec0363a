#include "app/common/MultPathsSelectViewController.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/common/UsageEvents.h"
#include "app/shell/Icons.h"
#include "kit/Paths.h"

namespace orvane::app {

namespace {

constexpr int kTileWidth = 132;
constexpr int kTileHeight = 118;
constexpr int kHighlightMs = 1500;

QWidget* makeTile(const FolderItem& item, QWidget* parent, std::function<void()> onOpen,
                  std::function<void()> onDelete) {
    auto* tile = new QWidget(parent);
    tile->setObjectName(item.isAddBtn ? QStringLiteral("addTile") : QStringLiteral("folderTile"));
    tile->setAttribute(Qt::WA_StyledBackground);
    tile->setFixedSize(kTileWidth, kTileHeight);
    tile->setStyleSheet(QStringLiteral(
        "#folderTile, #addTile { background: #f7f9fc; border: 1px solid #e1e7ef; border-radius: "
        "12px; }"
        "#folderTile:hover, #addTile:hover { border-color: #9fbde6; }"
        "#folderTile[highlighted=\"true\"] { background: #e4eefc; border: 2px solid #2f7cf6; }"));
    if (!item.isAddBtn) tile->setProperty("folderPath", QByteArray::fromStdString(item.folderPath));
    auto* layout = new QVBoxLayout(tile);
    layout->setContentsMargins(8, 6, 8, 10);
    layout->setSpacing(4);
    auto* top = new QHBoxLayout;
    top->addStretch(1);
    if (!item.isAddBtn) {
        auto* remove = new QToolButton(tile);
        remove->setObjectName(QStringLiteral("deleteTile"));
        remove->setText(QStringLiteral("✕"));
        remove->setToolTip(loc("Remove from the list"));
        remove->setAutoRaise(true);
        remove->setFixedSize(20, 20);
        QObject::connect(remove, &QToolButton::clicked, tile, std::move(onDelete));
        top->addWidget(remove);
    } else {
        // Keeps the add tile's image level with the folder images beside it.
        auto* room = new QWidget(tile);
        room->setFixedSize(20, 20);
        top->addWidget(room);
    }
    layout->addLayout(top);
    auto* button = new QToolButton(tile);
    button->setObjectName(item.isAddBtn ? QStringLiteral("addButton")
                                        : QStringLiteral("folderButton"));
    button->setAutoRaise(true);
    button->setIconSize(QSize(44, 44));
    button->setIcon(appIcon(item.isAddBtn ? QStringLiteral("add") : QStringLiteral("folder")));
    button->setToolTip(item.isAddBtn ? loc("Add Folder") : displayPath(item.folderPath));
    QObject::connect(button, &QToolButton::clicked, tile, std::move(onOpen));
    layout->addWidget(button, 0, Qt::AlignHCenter);
    auto* caption = new QLabel(tile);
    caption->setObjectName(QStringLiteral("tileCaption"));
    caption->setAlignment(Qt::AlignCenter);
    caption->setStyleSheet(
        QStringLiteral("color: #24303f; font-size: 12px; background: transparent; border: none;"));
    caption->setText(
        QFontMetrics(caption->font()).elidedText(item.name(), Qt::ElideMiddle, kTileWidth - 16));
    caption->setToolTip(item.isAddBtn ? QString() : displayPath(item.folderPath));
    layout->addWidget(caption);
    layout->addStretch(1);
    return tile;
}

}  // namespace

MultPathsSelectViewController::MultPathsSelectViewController(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("multPathsSelect"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->setSpacing(14);

    auto* header = new QHBoxLayout;
    backButton_ = new QPushButton(loc("Back"), this);
    backButton_->setObjectName(QStringLiteral("backButton"));
    backButton_->setStyleSheet(styles::linkButton());
    header->addWidget(backButton_);
    header->addStretch(1);
    layout->addLayout(header);

    auto* title = new QLabel(loc("Add folders to start scanning"), this);
    title->setObjectName(QStringLiteral("multTitle"));
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(styles::title());
    layout->addWidget(title);

    grid_ = new QWidget;
    gridLayout_ = new QGridLayout(grid_);
    gridLayout_->setContentsMargins(4, 4, 4, 4);
    gridLayout_->setSpacing(14);
    gridLayout_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    scroll_ = new QScrollArea(this);
    scroll_->setWidget(grid_);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The number of columns follows the room the scroll area really has, which is known only
    // once its viewport is laid out, not when this screen is.
    scroll_->viewport()->installEventFilter(this);
    layout->addWidget(scroll_, 1);

    drag_ = new DragView(this);
    drag_->delegate = this;
    layout->addWidget(drag_);

    scanButton_ = new QPushButton(loc("Scan"), this);
    scanButton_->setObjectName(QStringLiteral("scanButton"));
    scanButton_->setStyleSheet(styles::primaryButton());
    scanButton_->setMinimumWidth(160);
    layout->addWidget(scanButton_, 0, Qt::AlignHCenter);

    connect(scanButton_, &QPushButton::clicked, this, &MultPathsSelectViewController::scan);
    connect(backButton_, &QPushButton::clicked, this, [this] {
        if (backBlock) backBlock();
    });
    setFolderItems({});
}

void MultPathsSelectViewController::setFolderItems(std::vector<FolderItem> items) {
    std::erase_if(items, [](const FolderItem& item) { return item.isAddBtn; });
    items.push_back(FolderItem{{}, true});
    folderItems_ = std::move(items);
    reloadData();
}

std::vector<std::string> MultPathsSelectViewController::folderPaths() const {
    std::vector<std::string> out;
    for (const FolderItem& item : folderItems_)
        if (!item.isAddBtn) out.push_back(item.folderPath);
    return out;
}

void MultPathsSelectViewController::addPaths(const std::vector<std::string>& paths) {
    bool changed = false;
    std::vector<std::string> alreadyListed;
    for (const std::string& path : paths) {
        if (path.empty()) continue;
        // Exact text comparison on purpose: "/a" and "/a/" are two entries.
        const auto listed = std::find_if(
            folderItems_.begin(), folderItems_.end(),
            [&](const FolderItem& item) { return !item.isAddBtn && item.folderPath == path; });
        if (listed != folderItems_.end()) {
            alreadyListed.push_back(path);
            continue;
        }
        const auto at =
            static_cast<std::ptrdiff_t>(std::max<std::size_t>(folderItems_.size(), 1) - 1);
        folderItems_.insert(folderItems_.begin() + at, FolderItem{path, false});
        changed = true;
    }
    if (changed) reloadData();
    // Nothing is added twice, but the user sees where the folder already is.
    for (const std::string& path : alreadyListed) highlightTile(path);
}

void MultPathsSelectViewController::highlightTile(const std::string& path) {
    for (QWidget* tile : tiles()) {
        if (tile->property("folderPath").toByteArray().toStdString() != path) continue;
        tile->setProperty("highlighted", true);
        tile->style()->unpolish(tile);
        tile->style()->polish(tile);
        scroll_->ensureWidgetVisible(tile);
        highlighted_ = path;
        QPointer<QWidget> guard(tile);
        QTimer::singleShot(kHighlightMs, tile, [this, guard] {
            if (!guard) return;
            guard->setProperty("highlighted", false);
            guard->style()->unpolish(guard);
            guard->style()->polish(guard);
            highlighted_.clear();
        });
    }
}

std::string MultPathsSelectViewController::highlightedPath() const { return highlighted_; }

void MultPathsSelectViewController::deleteItem(int index) {
    if (index < 0 || index >= static_cast<int>(folderItems_.size())) return;
    if (folderItems_[index].isAddBtn) return;
    folderItems_.erase(folderItems_.begin() + index);
    reloadData();
}

void MultPathsSelectViewController::addFromChooser() {
    addPaths(chooseFolders(chooser, this, true));
}

void MultPathsSelectViewController::scan() {
    if (folderItems_.size() < 2) return;
    if (const auto module = usage::pathScreenModuleFor(cur); !module.empty()) {
        std::vector<std::string> tiles;
        for (const FolderItem& item : folderItems_) tiles.push_back(item.folderPath);
        usage::process(module, analytics::action::startScan,
                       analytics::labels::startScanTiles(tiles));
    }
    if (pathSelectBlock) pathSelectBlock(folderItems_);
}

void MultPathsSelectViewController::dragDrop(DragView*,
                                             const std::vector<std::string>& filePathList) {
    addPaths(filePathList);
}

QList<QWidget*> MultPathsSelectViewController::tiles() const {
    QList<QWidget*> out;
    for (int i = 0; i < gridLayout_->count(); ++i)
        if (QWidget* w = gridLayout_->itemAt(i)->widget()) out.push_back(w);
    return out;
}

int MultPathsSelectViewController::columns() const {
    const int room = std::max(kTileWidth, scroll_->viewport()->width() - 8);
    return std::max(1, (room + gridLayout_->spacing()) / (kTileWidth + gridLayout_->spacing()));
}

void MultPathsSelectViewController::reloadData() {
    while (QLayoutItem* item = gridLayout_->takeAt(0)) {
        if (QWidget* w = item->widget()) w->deleteLater();
        delete item;
    }
    const int cols = columns();
    lastColumns_ = cols;
    for (int i = 0; i < static_cast<int>(folderItems_.size()); ++i) {
        const FolderItem& item = folderItems_[i];
        QWidget* tile = makeTile(
            item, grid_,
            [this, add = item.isAddBtn] {
                if (add) addFromChooser();
            },
            [this, path = item.folderPath] {
                for (int k = 0; k < static_cast<int>(folderItems_.size()); ++k) {
                    if (!folderItems_[k].isAddBtn && folderItems_[k].folderPath == path) {
                        deleteItem(k);
                        return;
                    }
                }
            });
        gridLayout_->addWidget(tile, i / cols, i % cols);
    }
    scanButton_->setEnabled(folderItems_.size() >= 2);
}

bool MultPathsSelectViewController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scroll_->viewport() && event->type() == QEvent::Resize &&
        columns() != lastColumns_)
        relayoutTiles();
    return QWidget::eventFilter(watched, event);
}

void MultPathsSelectViewController::relayoutTiles() {
    const QList<QWidget*> current = tiles();
    const int cols = columns();
    lastColumns_ = cols;
    for (QWidget* tile : current) gridLayout_->removeWidget(tile);
    for (int i = 0; i < current.size(); ++i) gridLayout_->addWidget(current[i], i / cols, i % cols);
}

}  // namespace orvane::app
