#include "app/apps/AppDetailsView.h"

#include <algorithm>

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/apps/AppIcons.h"
#include "app/common/Text.h"
#include "kit/DateFormat.h"
#include "kit/Paths.h"

namespace orvane::app {

namespace {

constexpr int kFileRole = Qt::UserRole + 1;

// Paths in the home folder read best from "~"; the full path is in the tooltip.
QString shortPath(const std::string& path) {
    const std::string home = kit::customHomeDirectory();
    if (home.size() > 1 && path.size() > home.size() && path.compare(0, home.size(), home) == 0 &&
        path[home.size()] == '/')
        return QStringLiteral("~") + displayPath(path.substr(home.size()));
    return displayPath(path);
}

QString kindName(apps::AppKind kind) {
    switch (kind) {
        case apps::AppKind::deb: return loc("Debian package");
        case apps::AppKind::flatpak: return loc("Flatpak");
        case apps::AppKind::snap: return loc("Snap");
        case apps::AppKind::appimage: return loc("AppImage");
        case apps::AppKind::bundle: return loc("Application bundle");
        case apps::AppKind::desktop: return loc("Menu entry");
    }
    return {};
}

}  // namespace

QString AppDetailsView::kindTitle(apps::AppFileType type) {
    switch (type) {
        case apps::AppFileType::appFile: return loc("Application");
        case apps::AppFileType::preferenceFile: return loc("Preferences");
        case apps::AppFileType::appSupportFile: return loc("Application Support");
        case apps::AppFileType::logFile: return loc("Logs");
        case apps::AppFileType::otherFile: return loc("Caches and Other Files");
    }
    return {};
}

AppDetailsView::AppDetailsView(AppIcons& icons, QWidget* parent) : QWidget(parent), icons_(icons) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    stack_ = new QStackedWidget(this);
    outer->addWidget(stack_);

    hint_ = new QLabel(loc("Select an application to see the files that belong to it."), stack_);
    hint_->setObjectName(QStringLiteral("appDetailsHint"));
    hint_->setAlignment(Qt::AlignCenter);
    hint_->setWordWrap(true);
    hint_->setStyleSheet(QStringLiteral("color: #8792a0; font-size: 13px; padding: 20px;"));
    stack_->addWidget(hint_);

    auto* page = new QWidget(stack_);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(14, 10, 10, 10);
    auto* header = new QHBoxLayout;
    icon_ = new QLabel(page);
    icon_->setFixedSize(56, 56);
    header->addWidget(icon_);
    auto* titles = new QVBoxLayout;
    name_ = new QLabel(page);
    name_->setObjectName(QStringLiteral("appDetailsName"));
    name_->setStyleSheet(QStringLiteral("color: #1d2733; font-size: 18px; font-weight: 600;"));
    name_->setTextFormat(Qt::PlainText);
    info_ = new QLabel(page);
    info_->setObjectName(QStringLiteral("appDetailsInfo"));
    info_->setStyleSheet(QStringLiteral("color: #5b6776; font-size: 12px;"));
    info_->setTextFormat(Qt::PlainText);
    info_->setWordWrap(true);
    where_ = new QLabel(page);
    where_->setStyleSheet(QStringLiteral("color: #8792a0; font-size: 11px;"));
    where_->setTextFormat(Qt::PlainText);
    where_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long path must not widen the pane or run past its edge: it is shortened to fit.
    where_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    where_->setMinimumWidth(1);
    where_->installEventFilter(this);
    titles->addWidget(name_);
    titles->addWidget(info_);
    titles->addWidget(where_);
    header->addLayout(titles, 1);
    layout->addLayout(header);

    tree_ = new QTreeWidget(page);
    tree_->setObjectName(QStringLiteral("appFiles"));
    tree_->setHeaderLabels({loc("File"), loc("Size")});
    tree_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tree_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tree_->header()->setStretchLastSection(false);
    tree_->setUniformRowHeights(true);
    tree_->setTextElideMode(Qt::ElideMiddle);
    layout->addWidget(tree_, 1);
    stack_->addWidget(page);

    connect(tree_, &QTreeWidget::itemChanged, this, &AppDetailsView::itemChanged);
    showApp(nullptr);
}

bool AppDetailsView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == where_ && event->type() == QEvent::Resize) fitWhere();
    return QWidget::eventFilter(watched, event);
}

void AppDetailsView::fitWhere() {
    where_->setText(where_->fontMetrics().elidedText(whereText_, Qt::ElideMiddle,
                                                     std::max(where_->width(), 1)));
}

void AppDetailsView::showApp(apps::AppModelPtr app) {
    app_ = std::move(app);
    filling_ = true;
    tree_->clear();
    if (!app_) {
        stack_->setCurrentIndex(0);
        filling_ = false;
        return;
    }
    stack_->setCurrentIndex(1);
    icon_->setPixmap(icons_.icon(app_->isResidual ? std::string() : app_->iconName).pixmap(56, 56));
    name_->setText(displayPath(app_->appName));
    QStringList info;
    if (app_->isResidual) {
        info << loc("Leftovers of a removed application");
    } else {
        if (!app_->installedVersion.empty())
            info << locFormat("Version %@", {displayPath(app_->installedVersion)});
        info << kindName(app_->kind);
        info << (app_->timeInterval > 0
                     ? locFormat("Last used %@", {qs(kit::dateLocalizedStr(app_->timeInterval))})
                     : loc("Last use unknown"));
    }
    info << sizeText(app_->totalSize());
    info_->setText(info.join(QStringLiteral("  ·  ")));
    whereText_ = app_->isResidual ? displayPath(app_->bundleID) : shortPath(app_->path);
    fitWhere();
    where_->setToolTip(displayPath(app_->path));

    const std::pair<apps::AppFileType, const std::vector<apps::AppFilePtr>*> groups[] = {
        {apps::AppFileType::appFile, &app_->appFiles},
        {apps::AppFileType::preferenceFile, &app_->peferenceFiles},
        {apps::AppFileType::appSupportFile, &app_->appSupportFiles},
        {apps::AppFileType::logFile, &app_->logFiles},
        {apps::AppFileType::otherFile, &app_->otherFiles}};
    for (const auto& [type, files] : groups) {
        if (files->empty() || (app_->isResidual && type == apps::AppFileType::appFile)) continue;
        std::uint64_t total = 0;
        for (const apps::AppFilePtr& file : *files) total += file->size;
        auto* group = new QTreeWidgetItem(tree_, {kindTitle(type), sizeText(total)});
        group->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
        QFont bold = group->font(0);
        bold.setBold(true);
        group->setFont(0, bold);
        group->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        for (const apps::AppFilePtr& file : *files) {
            QString text = shortPath(file->url);
            if (!file->packageName.empty())
                text = locFormat("Package %@ (removed with the package manager)",
                                 {displayPath(file->packageName)});
            auto* item = new QTreeWidgetItem(group, {text, sizeText(file->size)});
            item->setToolTip(0, displayPath(file->url));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
            item->setCheckState(0, file->selected ? Qt::Checked : Qt::Unchecked);
            item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
            item->setData(0, kFileRole, QVariant::fromValue(static_cast<void*>(file.get())));
        }
        group->setExpanded(true);
    }
    filling_ = false;
}

void AppDetailsView::refreshChecks() {
    if (!app_) return;
    filling_ = true;
    for (int g = 0; g < tree_->topLevelItemCount(); ++g) {
        QTreeWidgetItem* group = tree_->topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i) {
            QTreeWidgetItem* item = group->child(i);
            auto* file =
                static_cast<apps::AppFileBaseModel*>(item->data(0, kFileRole).value<void*>());
            if (file) item->setCheckState(0, file->selected ? Qt::Checked : Qt::Unchecked);
        }
    }
    filling_ = false;
}

void AppDetailsView::itemChanged(QTreeWidgetItem* item, int column) {
    if (filling_ || column != 0 || !app_) return;
    auto* file = static_cast<apps::AppFileBaseModel*>(item->data(0, kFileRole).value<void*>());
    if (!file) return;  // a group's box follows its files on its own
    file->selected = item->checkState(0) == Qt::Checked;
    bool any = false;
    for (const apps::AppFilePtr& f : app_->allSubFiles()) any = any || f->selected;
    app_->isSelected = any;
    Q_EMIT filesChanged(app_.get());
}

}  // namespace orvane::app
