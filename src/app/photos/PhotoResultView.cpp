#include "app/photos/PhotoResultView.h"

#include <QBuffer>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/common/Alerts.h"
#include "app/common/DefaultsStore.h"
#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/common/UsageEvents.h"
#include "app/shell/MainThread.h"
#include "core/photos/PhotoSelection.h"
#include "core/photos/ScanImagesManager.h"
#include "kit/DispatchQueue.h"
#include "kit/Paths.h"
#include "kit/WholeFile.h"

namespace orvane::app {

namespace {

constexpr int kItemRole = Qt::UserRole + 1;   // ScanImagesItem*
constexpr int kGroupRole = Qt::UserRole + 2;  // group index
// Square preview beside the list; small enough that, at the window's first size, the list keeps
// room for a camera's file names in full.
constexpr int kPreviewSide = 240;

QString dimensionText(const photos::ScanImagesItem& item) {
    if (!item.dimension) return loc("Unknown");
    QString d = qs(*item.dimension);
    d.replace(QStringLiteral(" * "), QStringLiteral(" × "));
    return d;
}

QString groupText(const photos::ScanImagesGroupItem& g) {
    return locFormat(
        "%@  ·  %@ images  ·  %@",
        {qs(g.groupName), countText(static_cast<long long>(g.dupImageItems.size())),
         sizeText(static_cast<std::uint64_t>(std::max<std::int64_t>(g.groupSize, 0)))});
}

}  // namespace

PhotoResultView::PhotoResultView(photos::ScanImagesManager* manager, QWidget* parent)
    : QWidget(parent), manager_(manager) {
    setObjectName(QStringLiteral("photoResults"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);

    auto* top = new QHBoxLayout;
    back_ = new QPushButton(loc("Back"), this);
    back_->setStyleSheet(styles::secondaryButton());
    top->addWidget(back_);
    auto* title = new QLabel(loc("Similar Photos"), this);
    title->setStyleSheet(styles::title());
    top->addWidget(title);
    top->addStretch();
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("selectionSummary"));
    summary_->setStyleSheet(styles::subtitle());
    top->addWidget(summary_);
    layout->addLayout(top);

    auto* body = new QHBoxLayout;
    tree_ = new QTreeWidget(this);
    tree_->setColumnCount(4);
    tree_->setHeaderLabels({loc("Name"), loc("Dimensions"), loc("Size"), loc("Modified")});
    tree_->setIconSize(QSize(60, 60));
    tree_->setUniformRowHeights(false);
    tree_->setAlternatingRowColors(true);
    // A name too long for its column loses its middle, never its end: the extension and any
    // " copy" or "(2)" stay in sight, and the tooltip has the whole path.
    tree_->setTextElideMode(Qt::ElideMiddle);
    tree_->setIndentation(12);
    tree_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < 4; ++c)
        tree_->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    tree_->header()->setStretchLastSection(false);
    body->addWidget(tree_, 3);

    auto* side = new QVBoxLayout;
    preview_ = new QLabel(this);
    preview_->setObjectName(QStringLiteral("photoPreview"));
    preview_->setFixedSize(kPreviewSide, kPreviewSide);
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setStyleSheet(QStringLiteral("background: #f2f4f7; border-radius: 8px;"));
    preview_->setText(loc("Select an image to preview it"));
    side->addWidget(preview_);
    previewCaption_ = new QLabel(this);
    previewCaption_->setWordWrap(true);
    previewCaption_->setMaximumWidth(kPreviewSide);
    previewCaption_->setStyleSheet(styles::subtitle());
    side->addWidget(previewCaption_);
    side->addStretch();
    body->addLayout(side, 0);
    layout->addLayout(body, 1);

    auto* bottom = new QHBoxLayout;
    // The menu buttons of the bar wear the same pill as "Select All" beside them, so the row
    // lines up: a plain tool button is shorter and boxy.
    const QString menuButtonStyle = QStringLiteral(
        "QToolButton { outline: none; background: #ffffff; color: #24303f; border: 1px solid "
        "#c8d1dc;"
        " border-radius: 15px; padding: 4px 26px 5px 18px; font-size: 13px; }"
        "QToolButton:hover { background: #f0f4f9; }"
        "QToolButton:focus { border: 2px solid #2f7cf6; padding: 3px 25px 4px 17px; }"
        "QToolButton::menu-indicator { subcontrol-origin: padding;"
        " subcontrol-position: right center; right: 10px; }"
        // The ring is 1px wider than the border, so the arrow moves 1px less to stay put.
        "QToolButton::menu-indicator:focus { right: 9px; }");
    autoSelect_ = new QToolButton(this);
    autoSelect_->setText(loc("Auto select"));
    autoSelect_->setPopupMode(QToolButton::InstantPopup);
    auto* autoMenu = new QMenu(autoSelect_);
    autoMenu->addAction(loc("Select New"), this, &PhotoResultView::autoSelectNew);
    autoMenu->addAction(loc("Select Old"), this, &PhotoResultView::autoSelectOld);
    autoMenu->addAction(loc("Deselect All"), this, &PhotoResultView::deselectAll);
    autoSelect_->setMenu(autoMenu);
    autoSelect_->setStyleSheet(menuButtonStyle);
    bottom->addWidget(autoSelect_);

    selectAll_ = new QPushButton(loc("Select All"), this);
    selectAll_->setStyleSheet(styles::secondaryButton());
    connect(selectAll_, &QPushButton::clicked, this, &PhotoResultView::toggleSelectAll);
    bottom->addWidget(selectAll_);

    sort_ = new QToolButton(this);
    sort_->setText(loc("Sort by"));
    sort_->setPopupMode(QToolButton::InstantPopup);
    auto* sortMenu = new QMenu(sort_);
    sortMenu->addAction(loc("Sort by Size"), this, &PhotoResultView::sortBySize);
    sortMenu->addAction(loc("Sort by Quantity"), this, &PhotoResultView::sortByQuantity);
    sort_->setMenu(sortMenu);
    sort_->setStyleSheet(menuButtonStyle);
    bottom->addWidget(sort_);
    bottom->addStretch();

    modeButton_ = new QToolButton(this);
    modeButton_->setObjectName(QStringLiteral("removeMode"));
    modeButton_->setPopupMode(QToolButton::InstantPopup);
    auto* modeMenu = new QMenu(modeButton_);
    modeMenu->addAction(loc("Move to Trash"), this, [this] { setMode(Mode::trash); });
    modeMenu->addAction(loc("Delete Permanently"), this, [this] { setMode(Mode::deleteForever); });
    modeMenu->addAction(loc("Remove to Folder..."), this, [this] {
        const std::string folder = chooseFolder ? chooseFolder() : std::string();
        if (!folder.empty()) setMode(Mode::moveToFolder, folder);
    });
    modeButton_->setMenu(modeMenu);
    modeButton_->setStyleSheet(menuButtonStyle);
    bottom->addWidget(modeButton_);

    remove_ = new QPushButton(loc("Remove"), this);
    remove_->setObjectName(QStringLiteral("removeButton"));
    remove_->setStyleSheet(styles::primaryButton());
    remove_->setMinimumWidth(140);
    connect(remove_, &QPushButton::clicked, this, &PhotoResultView::requestRemove);
    bottom->addWidget(remove_);
    layout->addLayout(bottom);

    chooseFolder = [this]() -> std::string {
        const QString dir = QFileDialog::getExistingDirectory(window(), loc("Choose a folder"));
        return dir.isEmpty() ? std::string() : pathBytes(dir);
    };
    connect(tree_, &QTreeWidget::itemChanged, this, &PhotoResultView::itemChanged);
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* row, QTreeWidgetItem*) { showPreview(row); });

    // The removal mode is remembered between runs; Trash unless the user chose otherwise.
    const auto saved = DefaultsStore::string("dupImageRemoveType").value_or("0");
    setMode(saved == "1" ? Mode::deleteForever : Mode::trash);
    updateSummary();
}

void PhotoResultView::setMode(Mode mode, const std::string& folder) {
    mode_ = mode;
    if (mode == Mode::moveToFolder) moveFolder_ = folder;
    switch (mode) {
        case Mode::trash: modeButton_->setText(loc("Move to Trash")); break;
        case Mode::deleteForever: modeButton_->setText(loc("Delete Permanently")); break;
        case Mode::moveToFolder:
            modeButton_->setText(locFormat("Remove to %@", {qs(kit::directoryName(folder))}));
            break;
    }
    // A folder chosen once is not offered again at the next start: it may be gone by then.
    DefaultsStore::setString("dupImageRemoveType", mode == Mode::deleteForever ? "1" : "0");
}

void PhotoResultView::setGroups(photos::ScanImagesGroups groups) {
    groups_ = std::move(groups);
    for (auto& g : groups_) photos::orderGroupForDisplay(*g);
    rebuild();
}

void PhotoResultView::rebuild() {
    ++generation_;
    updating_ = true;
    tree_->clear();
    rows_.clear();
    for (std::size_t gi = 0; gi < groups_.size(); ++gi) {
        const auto& g = *groups_[gi];
        auto* groupRow = new QTreeWidgetItem(tree_);
        groupRow->setText(0, groupText(g));
        groupRow->setData(0, kGroupRole, static_cast<qulonglong>(gi));
        groupRow->setFlags(groupRow->flags() | Qt::ItemIsUserCheckable);
        groupRow->setFirstColumnSpanned(true);
        QFont bold = groupRow->font(0);
        bold.setBold(true);
        groupRow->setFont(0, bold);
        for (const auto& item : g.dupImageItems) {
            auto* row = new QTreeWidgetItem(groupRow);
            row->setText(0, displayPath(item->imageName));
            row->setToolTip(0, displayPath(item->imagePath));
            row->setText(1, dimensionText(*item));
            row->setText(
                2,
                sizeText(static_cast<std::uint64_t>(std::max<std::int64_t>(item->imageSize, 0))));
            row->setText(3, item->modifiedDate ? qs(item->modifiedDateStr) : QStringLiteral("—"));
            row->setData(0, kItemRole, QVariant::fromValue(static_cast<void*>(item.get())));
            row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
            if (item->isRemoveFailed && item->removeError)
                row->setToolTip(0, displayPath(item->imagePath) + QStringLiteral("\n") +
                                       qs(*item->removeError));
            rows_[item.get()] = row;
            if (item->thumImage) {
                const auto& t = *item->thumImage;
                row->setIcon(0, QIcon(QPixmap::fromImage(QImage(t.rgb.data(), t.width, t.height,
                                                                t.width * 3, QImage::Format_RGB888)
                                                             .copy())));
            } else {
                requestThumbnail(item);
            }
        }
        groupRow->setExpanded(true);
    }
    updating_ = false;
    refreshChecks();
    if (tree_->topLevelItemCount() > 0 && tree_->topLevelItem(0)->childCount() > 0)
        tree_->setCurrentItem(tree_->topLevelItem(0)->child(0));
    else showPreview(nullptr);
}

void PhotoResultView::requestThumbnail(const photos::ScanImagesItemPtr& item) {
    if (!manager_) return;
    QPointer<PhotoResultView> self(this);
    const int generation = generation_;
    manager_->getThumImages(item, [self, generation](const photos::ScanImagesItemPtr& done) {
        if (!done->thumImage) return;
        const auto& t = *done->thumImage;
        // Built here, on the thumbnail queue; only the finished image crosses to the GUI thread.
        QImage image =
            QImage(t.rgb.data(), t.width, t.height, t.width * 3, QImage::Format_RGB888).copy();
        if (!self) return;
        onMainThread(self.data(), [self, generation, done, image] {
            if (!self || self->generation_ != generation) return;
            const auto it = self->rows_.find(done.get());
            if (it != self->rows_.end()) it->second->setIcon(0, QIcon(QPixmap::fromImage(image)));
        });
    });
}

void PhotoResultView::refreshChecks() {
    updating_ = true;
    for (int gi = 0; gi < tree_->topLevelItemCount(); ++gi) {
        auto* groupRow = tree_->topLevelItem(gi);
        auto& g = *groups_[static_cast<std::size_t>(gi)];
        int checked = 0;
        for (int i = 0; i < groupRow->childCount(); ++i) {
            const bool on = g.dupImageItems[static_cast<std::size_t>(i)]->isSelect;
            checked += on ? 1 : 0;
            groupRow->child(i)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
        }
        groupRow->setCheckState(0, checked == 0                        ? Qt::Unchecked
                                   : checked == groupRow->childCount() ? Qt::Checked
                                                                       : Qt::PartiallyChecked);
    }
    updating_ = false;
    updateSummary();
}

void PhotoResultView::itemChanged(QTreeWidgetItem* row, int column) {
    if (updating_ || column != 0) return;
    const bool on = row->checkState(0) == Qt::Checked;
    if (QTreeWidgetItem* parentRow = row->parent()) {
        auto& g = *groups_[static_cast<std::size_t>(tree_->indexOfTopLevelItem(parentRow))];
        auto& item = *g.dupImageItems[static_cast<std::size_t>(parentRow->indexOfChild(row))];
        photos::setItemSelected(g, item, on);
    } else {
        auto& g = *groups_[static_cast<std::size_t>(tree_->indexOfTopLevelItem(row))];
        photos::setGroupSelected(g, row->checkState(0) != Qt::Unchecked);
    }
    refreshChecks();
}

void PhotoResultView::updateSummary() {
    const auto count = photos::selectedCount(groups_);
    const auto size = photos::selectedSize(groups_);
    long long images = 0;
    for (const auto& g : groups_) images += static_cast<long long>(g->dupImageItems.size());
    summary_->setText(
        locFormat("%@ images in %@ groups  ·  %@ selected (%@)",
                  {countText(images), countText(static_cast<long long>(groups_.size())),
                   countText(count), sizeText(static_cast<std::uint64_t>(size))}));
    remove_->setEnabled(count > 0);
    const bool all = images > 0 && count == images;
    selectAll_->setText(all ? loc("Deselect All") : loc("Select All"));
}

void PhotoResultView::showPreview(QTreeWidgetItem* row) {
    auto* item = row ? static_cast<photos::ScanImagesItem*>(row->data(0, kItemRole).value<void*>())
                     : nullptr;
    if (!item) {
        previewPath_.clear();
        preview_->setPixmap(QPixmap());
        preview_->setText(loc("Select an image to preview it"));
        previewCaption_->clear();
        return;
    }
    previewPath_ = item->imagePath;
    previewCaption_->setText(
        displayPath(item->imagePath) + QStringLiteral("\n") + dimensionText(*item) +
        QStringLiteral("  ·  ") +
        sizeText(static_cast<std::uint64_t>(std::max<std::int64_t>(item->imageSize, 0))) +
        QStringLiteral("  ·  ") + qs(item->modifiedDateStr));
    preview_->setText(loc("Loading..."));
    // Decoded off the GUI thread at the size shown, so a 50-megapixel photo never stalls it.
    QPointer<PhotoResultView> self(this);
    const std::string path = item->imagePath;
    kit::dispatchGlobal([self, path] {
        // Read by its bytes: a name that is not UTF-8 cannot go through a QString.
        const kit::WholeFile file = kit::readWholeFile(path, std::uint64_t{1} << 30);
        QByteArray bytes(file.bytes.data(), static_cast<qsizetype>(file.bytes.size()));
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        reader.setAutoTransform(true);
        const QSize full = reader.size();
        if (full.isValid() && static_cast<qint64>(full.width()) * full.height() <= 200'000'000LL)
            reader.setScaledSize(full.scaled(kPreviewSide, kPreviewSide, Qt::KeepAspectRatio));
        QImage image =
            full.isValid() && static_cast<qint64>(full.width()) * full.height() <= 200'000'000LL
                ? reader.read()
                : QImage();
        if (!self) return;
        onMainThread(self.data(), [self, path, image] {
            if (!self || self->previewPath_ != path) return;
            if (image.isNull()) {
                self->preview_->setPixmap(QPixmap());
                self->preview_->setText(loc("No preview"));
            } else {
                self->preview_->setPixmap(QPixmap::fromImage(image));
            }
        });
    });
}

void PhotoResultView::autoSelectNew() {
    photos::autoSelect(groups_, photos::AutoSelect::selectNew);
    refreshChecks();
}

void PhotoResultView::autoSelectOld() {
    photos::autoSelect(groups_, photos::AutoSelect::selectOld);
    refreshChecks();
}

void PhotoResultView::deselectAll() {
    photos::deselectAll(groups_);
    refreshChecks();
}

void PhotoResultView::toggleSelectAll() {
    if (selectAll_->text() == loc("Select All")) photos::selectAll(groups_);
    else photos::deselectAll(groups_);
    refreshChecks();
}

void PhotoResultView::sortBySize() {
    usage::operational(analytics::module::similar, analytics::action::sort, {"size"});
    photos::sortGroups(groups_, photos::GroupSort::bySize);
    rebuild();
}

void PhotoResultView::sortByQuantity() {
    usage::operational(analytics::module::similar, analytics::action::sort, {"amount"});
    photos::sortGroups(groups_, photos::GroupSort::byQuantity);
    rebuild();
}

void PhotoResultView::requestRemove() {
    const auto count = photos::selectedCount(groups_);
    if (count == 0 || hasOpenSheet(window())) return;
    const QString n = countText(count);
    const QString size = sizeText(static_cast<std::uint64_t>(photos::selectedSize(groups_)));
    QString text, confirm;
    switch (mode_) {
        case Mode::trash:
            text = locFormat(
                "Move %@ selected images (%@) to the Trash? You can put them back from there.",
                {n, size});
            confirm = loc("Move to Trash");
            break;
        case Mode::deleteForever:
            text = locFormat("Delete %@ selected images (%@) permanently? This cannot be undone.",
                             {n, size});
            confirm = loc("Delete");
            break;
        case Mode::moveToFolder:
            text = locFormat("Move %@ selected images (%@) to %@?",
                             {n, size, displayPath(moveFolder_)});
            confirm = loc("Move");
            break;
    }
    askQuestion(window(), text, loc("Cancel"), confirm, [this](bool yes) {
        if (yes && removeConfirmed) removeConfirmed();
    });
}

}  // namespace orvane::app
