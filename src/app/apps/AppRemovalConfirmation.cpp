#include "app/apps/AppRemovalConfirmation.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "core/apps/AppRemovalRoute.h"

namespace orvane::app {

namespace {

QString routeNote(apps::RemovalRoute route) {
    switch (route) {
        case apps::RemovalRoute::program: return loc("deleted by Orvane");
        case apps::RemovalRoute::package: return loc("removed by apt, as administrator");
        case apps::RemovalRoute::withPackage: return loc("goes with its package");
        case apps::RemovalRoute::flatpak: return loc("removed by flatpak");
        case apps::RemovalRoute::snap: return loc("removed by snap");
        case apps::RemovalRoute::privileged: return loc("deleted as administrator");
    }
    return {};
}

QString joined(const std::vector<std::string>& names) {
    QStringList out;
    for (const std::string& n : names) out << displayPath(n);
    return out.join(QStringLiteral(", "));
}

}  // namespace

std::vector<apps::AppModelPtr> AppRemovalConfirmation::tickedApps(
    const std::vector<apps::AppModelPtr>& list) {
    std::vector<apps::AppModelPtr> out;
    for (const apps::AppModelPtr& app : list)
        for (const apps::AppFilePtr& f : app->allSubFiles())
            if (f->selected) {
                out.push_back(app);
                break;
            }
    return out;
}

AppRemovalConfirmation::AppRemovalConfirmation(const std::vector<apps::AppModelPtr>& apps,
                                               bool residual, const apps::AptRemovalPlan& plan,
                                               const platform::Layout& layout, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("appsConfirm"));
    setWindowTitle(residual ? loc("Clean Leftover Files") : loc("Uninstall Applications"));
    setWindowModality(Qt::WindowModal);
    resize(620, 440);
    auto* layout_ = new QVBoxLayout(this);
    question_ = new QLabel(this);
    question_->setObjectName(QStringLiteral("appsConfirmQuestion"));
    question_->setWordWrap(true);
    question_->setStyleSheet(QStringLiteral("color: #1d2733; font-size: 15px; font-weight: 600;"));
    layout_->addWidget(question_);
    auto* note =
        new QLabel(loc("Items are deleted permanently; they do not go to the Trash. Applications "
                       "installed by a package manager are removed by that package manager."),
                   this);
    note->setWordWrap(true);
    note->setStyleSheet(styles::subtitle());
    layout_->addWidget(note);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("appsConfirmList"));
    list_->setColumnCount(3);
    list_->setHeaderLabels({loc("Item"), loc("Size"), loc("How")});
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    list_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    list_->header()->setStretchLastSection(false);
    long long items = 0;
    std::uint64_t total = 0;
    for (const apps::AppModelPtr& app : apps) {
        auto* row = new QTreeWidgetItem(list_);
        row->setText(0, displayPath(app->appName));
        std::uint64_t appSize = 0;
        for (const apps::AppFilePtr& f : app->allSubFiles()) {
            if (!f->selected) continue;
            ++items;
            appSize += f->size;
            auto* child = new QTreeWidgetItem(row);
            child->setText(0, displayPath(f->url));
            child->setToolTip(0, displayPath(f->url));
            child->setText(1, sizeText(f->size));
            const auto route = apps::removalRoute(*app, *f, layout);
            QString how = routeNote(route);
            if (route == apps::RemovalRoute::package) {
                if (auto why = plan.refused.find(f->packageName); why != plan.refused.end()) {
                    how = loc("refused");
                    child->setToolTip(2, displayPath(why->second));
                    child->setForeground(2, QColor(0xc0, 0x39, 0x2b));
                }
            }
            child->setText(2, how);
        }
        total += appSize;
        row->setText(1, sizeText(appSize));
        row->setExpanded(true);
    }
    layout_->addWidget(list_, 1);
    question_->setText(residual ? locFormat("Remove %@ (%@) left behind by removed applications?",
                                            {quantity(items, "item", "items"), sizeText(total)})
                                : locFormat("Uninstall %@ and remove %@ (%@)?",
                                            {quantity(static_cast<long long>(apps.size()),
                                                      "application", "applications"),
                                             quantity(items, "item", "items"), sizeText(total)}));

    apt_ = new QLabel(this);
    apt_->setObjectName(QStringLiteral("appsConfirmApt"));
    apt_->setWordWrap(true);
    apt_->setTextFormat(Qt::PlainText);
    QStringList aptLines;
    if (!plan.ok) {
        aptLines << locFormat(
            "apt cannot tell what it would remove: %@; no package will be "
            "removed.",
            {displayPath(plan.error)});
    } else if (!plan.removed.empty()) {
        aptLines << locFormat("apt will remove: %@", {joined(plan.removed)});
    }
    for (const auto& [name, why] : plan.refused)
        aptLines << locFormat("Not removed: %@. %@", {displayPath(name), displayPath(why)});
    apt_->setText(aptLines.join(QLatin1Char('\n')));
    apt_->setVisible(!aptLines.isEmpty());
    apt_->setStyleSheet(QStringLiteral("color: #24303f; font-size: 13px;"));
    layout_->addWidget(apt_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new QPushButton(loc("Cancel"), this);
    cancel->setObjectName(QStringLiteral("appsConfirmCancel"));
    cancel->setStyleSheet(styles::secondaryButton());
    confirm_ = new QPushButton(residual ? loc("Remove") : loc("Uninstall"), this);
    confirm_->setObjectName(QStringLiteral("appsConfirmOk"));
    confirm_->setStyleSheet(styles::primaryButton());
    confirm_->setEnabled(items > 0);
    buttons->addWidget(cancel);
    buttons->addWidget(confirm_);
    layout_->addLayout(buttons);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(confirm_, &QPushButton::clicked, this, &QDialog::accept);
    cancel->setDefault(true);
}

}  // namespace orvane::app
