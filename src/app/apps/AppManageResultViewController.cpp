#include "app/apps/AppManageResultViewController.h"

#include <QActionGroup>
#include <QApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/apps/AppDetailsView.h"
#include "app/apps/AppIcons.h"
#include "app/apps/AppListModel.h"
#include "app/apps/AppTexts.h"
#include "app/apps/AppUpdatesView.h"
#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/shell/Icons.h"
#include "app/shell/MainThread.h"
#include "core/apps/AppManager.h"
#include "kit/DispatchQueue.h"

namespace orvane::app {

namespace {

QString tabStyle() {
    return QStringLiteral(
        "QPushButton { outline: none; background: transparent; border: 2px solid transparent;"
        " border-radius: 6px; color: #5b6776; font-size: 14px; padding: 4px 8px 6px; }"
        "QPushButton:checked { color: #1d2733; font-weight: 600;"
        " border-bottom: 2px solid #2f7cf6; border-radius: 0; }"
        "QPushButton:focus { border: 2px solid #2f7cf6; border-radius: 6px; }");
}

}  // namespace

QString AppManageResultViewController::sortTitle(apps::AppManageItemSortType type) {
    switch (type) {
        case apps::AppManageItemSortType::normal: return loc("Name");
        case apps::AppManageItemSortType::sizeDesc: return loc("Size (Largest First)");
        case apps::AppManageItemSortType::sizeAsc: return loc("Size (Smallest First)");
        case apps::AppManageItemSortType::dateRecent: return loc("Last Used (Recent First)");
        case apps::AppManageItemSortType::dateOldest: return loc("Last Used (Oldest First)");
    }
    return {};
}

AppManageResultViewController::AppManageResultViewController(apps::AppManager& manager,
                                                             AppIcons& icons, QWidget* parent)
    : QWidget(parent), manager_(manager), icons_(icons) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);

    // Tabs, order and rescan.
    auto* bar = new QHBoxLayout;
    appsTab_ = new QPushButton(this);
    appsTab_->setObjectName(QStringLiteral("appsTab"));
    residualTab_ = new QPushButton(this);
    residualTab_->setObjectName(QStringLiteral("residualTab"));
    updatesTab_ = new QPushButton(this);
    updatesTab_->setObjectName(QStringLiteral("updatesTab"));
    for (QPushButton* tab : {appsTab_, residualTab_, updatesTab_}) {
        tab->setCheckable(true);
        tab->setStyleSheet(tabStyle());
        tab->setCursor(Qt::PointingHandCursor);
        bar->addWidget(tab);
    }
    appsTab_->setChecked(true);
    connect(appsTab_, &QPushButton::clicked, this, [this] { showResidual(false); });
    connect(residualTab_, &QPushButton::clicked, this, [this] { showResidual(true); });
    connect(updatesTab_, &QPushButton::clicked, this, [this] {
        showUpdates();
        if (onCheckUpdates) onCheckUpdates();
    });
    bar->addStretch(1);
    sortButton_ = new QToolButton(this);
    sortButton_->setObjectName(QStringLiteral("appsSort"));
    sortButton_->setPopupMode(QToolButton::InstantPopup);
    sortButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* menu = new QMenu(sortButton_);
    auto* group = new QActionGroup(menu);
    for (auto type : {apps::AppManageItemSortType::normal, apps::AppManageItemSortType::sizeDesc,
                      apps::AppManageItemSortType::sizeAsc, apps::AppManageItemSortType::dateRecent,
                      apps::AppManageItemSortType::dateOldest}) {
        QAction* action = menu->addAction(sortTitle(type));
        action->setCheckable(true);
        action->setChecked(type == sort_);
        action->setData(static_cast<int>(type));
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, type] { sortBy(type); });
    }
    sortButton_->setMenu(menu);
    sortButton_->setText(locFormat("Sort by: %@", {sortTitle(sort_)}));
    bar->addWidget(sortButton_);
    auto* rescan = new QPushButton(loc("Scan Again"), this);
    rescan->setObjectName(QStringLiteral("appsRescan"));
    rescan->setStyleSheet(styles::secondaryButton());
    connect(rescan, &QPushButton::clicked, this, [this] {
        if (onRescan) onRescan();
    });
    bar->addWidget(rescan);
    layout->addLayout(bar);
    notice_ = new QLabel(loc("The scan was stopped: the list is incomplete."), this);
    notice_->setObjectName(QStringLiteral("appsNotice"));
    notice_->setStyleSheet(QStringLiteral("color: #b35c00; font-size: 13px;"));
    notice_->hide();
    layout->addWidget(notice_);

    // List and details side by side; the update tab in their place.
    bodyStack_ = new QStackedWidget(this);
    auto* splitter = new QSplitter(Qt::Horizontal, bodyStack_);
    listStack_ = new QStackedWidget(splitter);
    model_ = new AppListModel(icons_, this);
    list_ = new QTreeView(listStack_);
    list_->setObjectName(QStringLiteral("appsList"));
    list_->setModel(model_);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setIconSize(QSize(28, 28));
    list_->setAlternatingRowColors(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->header()->setMinimumSectionSize(60);
    list_->header()->setSectionResizeMode(AppListModel::name, QHeaderView::Stretch);
    // Debian versions run long ("2:9.0.1378-2+deb12u2"); they are elided, the name is not.
    list_->header()->setSectionResizeMode(AppListModel::version, QHeaderView::Interactive);
    list_->header()->resizeSection(AppListModel::version, 84);
    list_->setTextElideMode(Qt::ElideRight);
    for (int c : {AppListModel::size, AppListModel::lastUsed})
        list_->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    list_->setMinimumWidth(460);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionsClickable(false);
    listStack_->addWidget(list_);

    auto* empty = new QWidget(listStack_);
    auto* emptyLayout = new QVBoxLayout(empty);
    emptyLayout->addStretch(1);
    auto* emptyIcon = new QLabel(empty);
    emptyIcon->setPixmap(appIcon(QStringLiteral("empty")).pixmap(72, 72));
    emptyIcon->setAlignment(Qt::AlignCenter);
    emptyLayout->addWidget(emptyIcon);
    emptyTitle_ = new QLabel(empty);
    emptyTitle_->setObjectName(QStringLiteral("appsEmptyTitle"));
    emptyTitle_->setAlignment(Qt::AlignCenter);
    emptyTitle_->setStyleSheet(
        QStringLiteral("color: #24303f; font-size: 17px; font-weight: 600;"));
    emptyLayout->addWidget(emptyTitle_);
    emptyText_ = new QLabel(empty);
    emptyText_->setAlignment(Qt::AlignCenter);
    emptyText_->setWordWrap(true);
    emptyText_->setStyleSheet(styles::subtitle());
    emptyLayout->addWidget(emptyText_);
    emptyLayout->addStretch(2);
    listStack_->addWidget(empty);

    details_ = new AppDetailsView(icons_, splitter);
    splitter->addWidget(listStack_);
    splitter->addWidget(details_);
    details_->setMinimumWidth(300);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setChildrenCollapsible(false);
    bodyStack_->addWidget(splitter);
    updatesView_ = new AppUpdatesView(icons_, bodyStack_);
    bodyStack_->addWidget(updatesView_);
    layout->addWidget(bodyStack_, 1);

    auto* bottom = new QHBoxLayout;
    selection_ = new QLabel(this);
    selection_->setObjectName(QStringLiteral("appsSelection"));
    selection_->setStyleSheet(QStringLiteral("color: #24303f; font-size: 13px; padding-top: 6px;"));
    bottom->addWidget(selection_, 1);
    remove_ = new QPushButton(this);
    remove_->setObjectName(QStringLiteral("appsRemove"));
    remove_->setStyleSheet(styles::primaryButton());
    remove_->setMinimumWidth(140);
    remove_->setText(loc("Uninstall"));
    connect(remove_, &QPushButton::clicked, this, [this] {
        if (onRemove) onRemove(residual_);
    });
    bottom->addWidget(remove_);
    layout->addLayout(bottom);

    connect(
        list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex& current) { details_->showApp(model_->appAt(current.row())); });
    connect(model_, &AppListModel::selectionChanged, this, [this] {
        details_->refreshChecks();
        updateSelection();
    });
    connect(details_, &AppDetailsView::filesChanged, this, [this](const apps::AppModel* app) {
        model_->appChanged(app);
        updateSelection();
    });
    reload();
}

void AppManageResultViewController::reload() {
    updateTabs();
    showList(residual_ ? manager_.residualApps : manager_.apps);
    sortBy(sort_);
}

void AppManageResultViewController::setIncomplete(bool incomplete) {
    notice_->setVisible(incomplete);
}

void AppManageResultViewController::updateTabs() {
    appsTab_->setText(
        locFormat("Applications (%@)", {countText(static_cast<long long>(manager_.apps.size()))}));
    residualTab_->setText(locFormat(
        "Leftovers (%@)", {countText(static_cast<long long>(manager_.residualApps.size()))}));
    updatesTab_->setText(loc("App Updates"));
    // Style sheets with padding under-report the width a bold checked label needs.
    for (QPushButton* tab : {appsTab_, residualTab_, updatesTab_}) {
        QFont bold = tab->font();
        bold.setBold(true);
        bold.setPixelSize(14);
        tab->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(tab->text()) + 28);
    }
}

void AppManageResultViewController::showUpdates() {
    updates_ = true;
    appsTab_->setChecked(false);
    residualTab_->setChecked(false);
    updatesTab_->setChecked(true);
    bodyStack_->setCurrentIndex(1);
    sortButton_->hide();
    selection_->hide();
    remove_->hide();
}

void AppManageResultViewController::showResidual(bool residual) {
    residual_ = residual;
    updates_ = false;
    appsTab_->setChecked(!residual);
    residualTab_->setChecked(residual);
    updatesTab_->setChecked(false);
    bodyStack_->setCurrentIndex(0);
    // Leftovers have no last use or version to order by.
    sortButton_->setVisible(!residual);
    selection_->show();
    remove_->show();
    remove_->setText(residual ? loc("Remove Leftovers") : loc("Uninstall"));
    showList(residual_ ? manager_.residualApps : manager_.apps);
    sortBy(sort_);
}

void AppManageResultViewController::showList(std::vector<apps::AppModelPtr> list) {
    const apps::AppModelPtr picked = details_->app();
    model_->setApps(std::move(list));
    list_->setColumnHidden(AppListModel::lastUsed, residual_);
    list_->setColumnHidden(AppListModel::version, residual_);
    if (model_->rowCount() == 0) {
        emptyTitle_->setText(residual_ ? loc("No Leftovers Found") : loc("No Applications Found"));
        emptyText_->setText(
            residual_
                ? loc("Applications you removed left nothing behind in your settings, data and "
                      "cache "
                      "folders.")
                : loc("Orvane lists the applications of your menus (Debian packages, Flatpak, "
                      "Snap) "
                      "and AppImages in Applications, Desktop and Downloads. None was found."));
        listStack_->setCurrentIndex(1);
    } else {
        listStack_->setCurrentIndex(0);
    }
    const int row = picked ? model_->rowOf(picked.get()) : -1;
    selectRow(row >= 0 ? row : 0);
    updateSelection();
}

void AppManageResultViewController::selectRow(int row) {
    if (row < 0 || row >= model_->rowCount()) {
        details_->showApp(nullptr);
        return;
    }
    list_->setCurrentIndex(model_->index(row, 0));
    details_->showApp(model_->appAt(row));
}

void AppManageResultViewController::sortBy(apps::AppManageItemSortType type) {
    sort_ = type;
    sortButton_->setText(locFormat("Sort by: %@", {sortTitle(type)}));
    sortButton_->setMinimumWidth(sortButton_->fontMetrics().horizontalAdvance(sortButton_->text()) +
                                 36);
    for (QAction* action : sortButton_->menu()->actions())
        action->setChecked(action->data().toInt() == static_cast<int>(type));
    // Sorting computes a collation key per name; it runs off the GUI thread on a copy and the
    // list is swapped in when done.
    const int generation = ++sortGeneration_;
    std::vector<apps::AppModelPtr> copy = model_->apps();
    QPointer<AppManageResultViewController> self = this;
    kit::dispatchGlobal([self, copy = std::move(copy), type, generation]() mutable {
        apps::AppManager::sortApps(copy, type);
        onMainThread(qApp, [self, copy = std::move(copy), generation]() mutable {
            if (!self || generation != self->sortGeneration_) return;
            self->showList(std::move(copy));
        });
    });
}

void AppManageResultViewController::updateSelection() {
    // An app ticked whole counts as one app on the uninstall list; otherwise each ticked item
    // counts, except a ticked folder holding another ticked item of the same app.
    long long appCount = 0, itemCount = 0;
    std::uint64_t bytes = 0;
    for (const apps::AppModelPtr& app : model_->apps()) {
        const std::vector<apps::AppFilePtr> all = app->allSubFiles();
        std::vector<apps::AppFilePtr> ticked;
        for (const apps::AppFilePtr& f : all)
            if (f->selected) ticked.push_back(f);
        if (ticked.empty()) continue;
        if (ticked.size() == all.size()) {
            if (residual_) itemCount += static_cast<long long>(ticked.size());
            else ++appCount;
            bytes += app->totalSize();
            continue;
        }
        for (const apps::AppFilePtr& f : ticked) {
            const bool holdsAnother =
                std::any_of(ticked.begin(), ticked.end(), [&](const apps::AppFilePtr& other) {
                    return other != f && other->url.size() > f->url.size() + 1 &&
                           other->url.compare(0, f->url.size(), f->url) == 0 &&
                           other->url[f->url.size()] == '/';
                });
            if (holdsAnother) continue;
            ++itemCount;
            bytes += f->size;
        }
    }
    QString text;
    if (residual_) {
        text = locFormat("%@ %@", {loc("Selected:"), countText(itemCount)});
    } else if (appCount > 0 && itemCount > 0) {
        text = numbered("{0} apps and {1} items selected",
                        {countText(appCount), countText(itemCount)});
    } else if (itemCount > 0) {
        text = numbered("{0} items selected", {countText(itemCount)});
    } else {
        text = numbered("{0} app selected", {countText(appCount)});
    }
    if (appCount + itemCount > 0)
        text += QStringLiteral("    ") + locFormat("%@ %@", {loc("Total:"), sizeText(bytes)});
    selection_->setText(text);
    remove_->setEnabled(appCount + itemCount > 0);
}

}  // namespace orvane::app
