#include "app/apps/AppUpdatesView.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/apps/AppIcons.h"
#include "app/apps/AppTexts.h"
#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "core/apps/AppUpdateInfo.h"

namespace orvane::app {

namespace {
enum Column { nameColumn = 0, versionColumn, sizeColumn, actionColumn };

QString storeTitle(const apps::AppUpdateInfo& info) {
    if (info.store == "flatpak")
        return info.installation == "system" ? loc("Flatpak (system)") : loc("Flatpak (user)");
    if (info.store == "snap") return loc("Snap Store");
    return loc("App Store");
}
}  // namespace

AppUpdatesView::AppUpdatesView(AppIcons& icons, QWidget* parent) : QWidget(parent), icons_(icons) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* title = new QLabel(loc("App Updates"), this);
    title->setStyleSheet(QStringLiteral("color: #1d2733; font-size: 16px; font-weight: 600;"));
    layout->addWidget(title);
    auto* subtitle = new QLabel(loc("Update your apps to the latest available versions."), this);
    subtitle->setStyleSheet(styles::subtitle());
    layout->addWidget(subtitle);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("updatesStatus"));
    status_->setWordWrap(true);
    status_->setStyleSheet(QStringLiteral("color: #5b6776; font-size: 13px;"));
    layout->addWidget(status_);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    auto* left = new QWidget(splitter);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    checkAll_ = new QCheckBox(loc("Check All"), left);
    checkAll_->setObjectName(QStringLiteral("updatesCheckAll"));
    leftLayout->addWidget(checkAll_);
    list_ = new QTreeWidget(left);
    list_->setObjectName(QStringLiteral("updatesList"));
    list_->setColumnCount(4);
    list_->setHeaderLabels({loc("Application"), loc("Version"), loc("Size"), QString()});
    list_->setRootIsDecorated(false);
    list_->setIconSize(QSize(28, 28));
    list_->header()->setSectionResizeMode(nameColumn, QHeaderView::Stretch);
    for (int c : {versionColumn, sizeColumn, actionColumn})
        list_->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    list_->header()->setStretchLastSection(false);
    leftLayout->addWidget(list_, 1);

    auto* right = new QWidget(splitter);
    auto* form = new QFormLayout(right);
    auto* paneTitle = new QLabel(loc("更新详情"), right);
    paneTitle->setStyleSheet(QStringLiteral("color: #1d2733; font-size: 14px; font-weight: 600;"));
    form->addRow(paneTitle);
    const char* captions[5] = {"Current Version", "Available Version", "Release Date",
                               "Update Size", "Update Description"};
    for (int i = 0; i < 5; ++i) {
        values_[i] = new QLabel(right);
        values_[i]->setObjectName(QStringLiteral("updateDetail%1").arg(i));
        values_[i]->setWordWrap(true);
        values_[i]->setTextFormat(Qt::PlainText);
        values_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(loc(captions[i]), values_[i]);
    }
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setChildrenCollapsible(false);
    layout->addWidget(splitter, 1);

    auto* bar = new QHBoxLayout;
    selection_ = new QLabel(this);
    selection_->setObjectName(QStringLiteral("updatesSelection"));
    bar->addWidget(selection_, 1);
    updateSelected_ = new QPushButton(loc("Update"), this);
    updateSelected_->setObjectName(QStringLiteral("updatesUpdate"));
    updateSelected_->setStyleSheet(styles::primaryButton());
    updateAll_ = new QPushButton(loc("Update All"), this);
    updateAll_->setObjectName(QStringLiteral("updatesUpdateAll"));
    updateAll_->setStyleSheet(styles::secondaryButton());
    bar->addWidget(updateAll_);
    bar->addWidget(updateSelected_);
    layout->addLayout(bar);

    connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        showDetails(item ? list_->indexOfTopLevelItem(item) : -1);
    });
    connect(list_, &QTreeWidget::itemChanged, this, &AppUpdatesView::itemChanged);
    connect(checkAll_, &QCheckBox::clicked, this, [this](bool on) {
        for (const apps::AppModelPtr& app : apps_) app->isSelectedUpdate = on;
        filling_ = true;
        for (int i = 0; i < list_->topLevelItemCount(); ++i)
            list_->topLevelItem(i)->setCheckState(nameColumn, on ? Qt::Checked : Qt::Unchecked);
        filling_ = false;
        updateSummary();
    });
    connect(updateSelected_, &QPushButton::clicked, this, [this] { Q_EMIT updateRequested(); });
    connect(updateAll_, &QPushButton::clicked, this, [this] {
        for (const apps::AppModelPtr& app : apps_) app->isSelectedUpdate = true;
        Q_EMIT updateRequested();
    });
    showUpdates({}, {});
}

QPushButton* AppUpdatesView::updateButton(int row) const {
    QTreeWidgetItem* item = list_->topLevelItem(row);
    return item ? qobject_cast<QPushButton*>(list_->itemWidget(item, actionColumn)) : nullptr;
}

void AppUpdatesView::showChecking() {
    status_->setText(loc("Checking for updates..."));
    showUpdates({}, {});
    status_->setText(loc("Checking for updates..."));
}

void AppUpdatesView::showUpdates(std::vector<apps::AppModelPtr> apps, const QString& error) {
    apps_ = std::move(apps);
    filling_ = true;
    list_->clear();
    for (std::size_t i = 0; i < apps_.size(); ++i) {
        const apps::AppModelPtr& app = apps_[i];
        const apps::AppUpdateInfo& info = *app->updateInfo;
        auto* item = new QTreeWidgetItem(list_);
        item->setText(nameColumn, displayPath(app->appName));
        item->setToolTip(nameColumn,
                         displayPath(app->bundleID) + QStringLiteral(" · ") + storeTitle(info));
        item->setIcon(nameColumn, icons_.icon(app->iconName));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(nameColumn, app->isSelectedUpdate ? Qt::Checked : Qt::Unchecked);
        item->setText(
            versionColumn,
            displayPath(info.currentVersion) + QStringLiteral(" → ") +
                (info.latestVersion.empty() ? loc("new build") : displayPath(info.latestVersion)));
        item->setText(sizeColumn, info.updateSize ? sizeText(info.updateSize) : QString());
        auto* button = new QPushButton(loc("Update"), list_);
        button->setObjectName(QStringLiteral("updateRow"));
        button->setStyleSheet(styles::secondaryButton());
        const apps::AppModelPtr target = app;
        connect(button, &QPushButton::clicked, this, [this, target] {
            for (const apps::AppModelPtr& other : apps_) other->isSelectedUpdate = other == target;
            Q_EMIT updateRequested();
        });
        list_->setItemWidget(item, actionColumn, button);
    }
    filling_ = false;
    if (!error.isEmpty()) {
        status_->setText(error);
    } else {
        status_->setText(apps_.empty() ? loc("All your applications are up to date.") : QString());
    }
    status_->setVisible(!status_->text().isEmpty());
    updateAll_->setEnabled(!apps_.empty());
    if (!apps_.empty()) list_->setCurrentItem(list_->topLevelItem(0));
    else showDetails(-1);
    updateSummary();
}

void AppUpdatesView::itemChanged(QTreeWidgetItem* item, int column) {
    if (filling_ || column != nameColumn) return;
    const int row = list_->indexOfTopLevelItem(item);
    if (row < 0 || row >= static_cast<int>(apps_.size())) return;
    apps_[static_cast<std::size_t>(row)]->isSelectedUpdate =
        item->checkState(nameColumn) == Qt::Checked;
    updateSummary();
}

void AppUpdatesView::showDetails(int row) {
    if (row < 0 || row >= static_cast<int>(apps_.size())) {
        for (QLabel* v : values_) v->clear();
        return;
    }
    const apps::AppUpdateInfo& info = *apps_[static_cast<std::size_t>(row)]->updateInfo;
    values_[0]->setText(displayPath(info.currentVersion));
    values_[1]->setText(info.latestVersion.empty() ? loc("new build")
                                                   : displayPath(info.latestVersion));
    values_[2]->setText(displayPath(info.releaseDate));
    values_[3]->setText(info.updateSize ? sizeText(info.updateSize) : QString());
    values_[4]->setText(displayPath(info.releaseNotes));
}

void AppUpdatesView::updateSummary() {
    long long count = 0;
    std::uint64_t size = 0;
    for (const apps::AppModelPtr& app : apps_)
        if (app->isSelectedUpdate) {
            ++count;
            size += app->totalSize();
        }
    selection_->setText(count == 0 ? numbered("{0} app selected", {QStringLiteral("0")})
                                   : numbered("{0} app selected", {countText(count)}) +
                                         QStringLiteral("   ") +
                                         locFormat("%@ %@", {loc("Total:"), sizeText(size)}));
    updateSelected_->setEnabled(count > 0);
    const bool all = count > 0 && count == static_cast<long long>(apps_.size());
    checkAll_->setChecked(all);
    checkAll_->setText(all ? loc("Deselect All") : loc("Check All"));
    checkAll_->setEnabled(!apps_.empty());
}

}  // namespace orvane::app
