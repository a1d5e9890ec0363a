#include "app/apps/AppManageViewController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/apps/AppIcons.h"
#include "app/apps/AppManageResultViewController.h"
#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/shell/Icons.h"
#include "app/shell/MainThread.h"
#include "core/apps/AppManager.h"

namespace orvane::app {

// Brings the manager's reports to the screen on the GUI thread, and drops them once it is gone.
class AppManageObserver final : public apps::AppManagerDelegate {
public:
    explicit AppManageObserver(AppManageViewController* screen) : screen_(screen) {}

    void appManagerDidStartScan(apps::AppManager&) override {
        post([](AppManageViewController& s) { s.didStart(); });
    }
    void appManagerDidUpdateProgress(apps::AppManager&, int done, int total) override {
        post([done, total](AppManageViewController& s) { s.didProgress(done, total); });
    }
    void appManagerDidFinishScanningApp(apps::AppManager&, const apps::AppModelPtr& app) override {
        post([app](AppManageViewController& s) { s.didScanApp(app); });
    }
    void appManagerDidFinishScan(apps::AppManager&,
                                 const std::vector<apps::AppModelPtr>&) override {
        post([](AppManageViewController& s) { s.didFinish(); });
    }

private:
    template <class F>
    void post(F&& fn) {
        QPointer<AppManageViewController> screen = screen_;
        if (!screen) return;
        onMainThread(screen.data(), [screen, fn = std::forward<F>(fn)] {
            if (screen) fn(*screen);
        });
    }
    QPointer<AppManageViewController> screen_;
};

namespace {
QLabel* label(const QString& text, const QString& style, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setStyleSheet(style);
    l->setAlignment(Qt::AlignCenter);
    l->setWordWrap(true);
    return l;
}
}  // namespace

AppManageViewController::AppManageViewController(apps::AppManager* manager, QWidget* parent)
    : ModuleBaseViewController(ModuleType::appManage, parent),
      manager_(manager ? manager : &apps::AppManager::shared()),
      icons_(std::make_unique<AppIcons>(manager_->layout())) {
    setObjectName(QStringLiteral("appManageModule"));
    observer_ = std::make_shared<AppManageObserver>(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    stack_ = new QStackedWidget(this);
    layout->addWidget(stack_);

    // Start
    auto* start = new QWidget(stack_);
    auto* startLayout = new QVBoxLayout(start);
    startLayout->addStretch(2);
    auto* icon = new QLabel(start);
    icon->setPixmap(appIcon(QStringLiteral("leftList_app")).pixmap(110, 110));
    icon->setAlignment(Qt::AlignCenter);
    startLayout->addWidget(icon);
    startLayout->addWidget(label(loc("App Management"), styles::title(), start));
    startLayout->addWidget(
        label(loc("See every installed application with the settings, data, logs and "
                  "caches it keeps, and find what removed applications left behind."),
              styles::subtitle(), start));
    startLayout->addSpacing(16);
    scanButton_ = new QPushButton(loc("Scan"), start);
    scanButton_->setObjectName(QStringLiteral("appsScan"));
    scanButton_->setStyleSheet(styles::primaryButton());
    scanButton_->setMinimumWidth(160);
    startLayout->addWidget(scanButton_, 0, Qt::AlignHCenter);
    startLayout->addStretch(3);
    stack_->addWidget(start);
    connect(scanButton_, &QPushButton::clicked, this, &AppManageViewController::startScan);

    // Scanning
    auto* scanning = new QWidget(stack_);
    auto* scanLayout = new QVBoxLayout(scanning);
    scanLayout->addStretch(2);
    scanLayout->addWidget(label(loc("Scanning Applications..."), styles::title(), scanning));
    count_ = label(QString(), styles::subtitle(), scanning);
    count_->setObjectName(QStringLiteral("appsScanCount"));
    scanLayout->addWidget(count_);
    progress_ = new QProgressBar(scanning);
    progress_->setObjectName(QStringLiteral("appsScanProgress"));
    progress_->setTextVisible(false);
    progress_->setMaximumWidth(420);
    progress_->setMinimumWidth(320);
    scanLayout->addWidget(progress_, 0, Qt::AlignHCenter);
    auto* currentRow = new QHBoxLayout;
    currentRow->addStretch(1);
    currentIcon_ = new QLabel(scanning);
    currentIcon_->setFixedSize(32, 32);
    currentRow->addWidget(currentIcon_);
    current_ = new QLabel(scanning);
    current_->setObjectName(QStringLiteral("appsScanCurrent"));
    current_->setTextFormat(Qt::PlainText);
    current_->setStyleSheet(QStringLiteral("color: #24303f; font-size: 14px;"));
    currentRow->addWidget(current_);
    currentRow->addStretch(1);
    scanLayout->addSpacing(8);
    scanLayout->addLayout(currentRow);
    note_ = label(QString(), QStringLiteral("color: #8792a0; font-size: 12px;"), scanning);
    scanLayout->addWidget(note_);
    stop_ = new QPushButton(loc("Stop"), scanning);
    stop_->setObjectName(QStringLiteral("appsStop"));
    stop_->setStyleSheet(styles::secondaryButton());
    scanLayout->addSpacing(10);
    scanLayout->addWidget(stop_, 0, Qt::AlignHCenter);
    scanLayout->addStretch(3);
    connect(stop_, &QPushButton::clicked, this, &AppManageViewController::stopScan);
    stack_->addWidget(scanning);

    // Results
    result_ = new AppManageResultViewController(*manager_, *icons_, stack_);
    result_->onRescan = [this] { startScan(); };
    stack_->addWidget(result_);

    showPage(Page::start);
}

AppManageViewController::~AppManageViewController() {
    manager_->cancelScan();
    manager_->waitUntilScanFinished();
}

void AppManageViewController::showPage(Page page) {
    page_ = page;
    stack_->setCurrentIndex(static_cast<int>(page));
}

void AppManageViewController::startScan() {
    if (page_ == Page::scanning) return;
    stopping_ = false;
    progress_->setRange(0, 0);  // busy until the first application is counted
    count_->setText(loc("Looking for installed applications..."));
    current_->clear();
    currentIcon_->clear();
    note_->clear();
    stop_->setEnabled(true);
    showPage(Page::scanning);
    setLeftlistStatus(false);
    manager_->delegate = observer_;
    manager_->scanApp();
}

void AppManageViewController::stopScan() {
    if (page_ != Page::scanning || stopping_) return;
    stopping_ = true;
    stop_->setEnabled(false);
    note_->setText(loc("Stopping after the current application..."));
    manager_->cancelScan();
}

void AppManageViewController::didStart() {}

void AppManageViewController::didProgress(int done, int total) {
    progress_->setRange(0, std::max(total, 1));
    progress_->setValue(done);
    count_->setText(locFormat("%@ of %@ applications", {countText(done), countText(total)}));
}

void AppManageViewController::didScanApp(const apps::AppModelPtr& app) {
    current_->setText(displayPath(app->appName) + QStringLiteral("  ·  ") +
                      sizeText(app->totalSize()));
    currentIcon_->setPixmap(icons_->icon(app->iconName).pixmap(32, 32));
}

void AppManageViewController::didFinish() {
    setLeftlistStatus(true);
    result_->reload();
    showPage(Page::results);
    result_->setIncomplete(stopping_);
    stopping_ = false;
}

bool AppManageViewController::isShouldCloseWindow() { return true; }

void AppManageViewController::applicationWillTerminate() {
    manager_->cancelScan();
    manager_->waitUntilScanFinished();
}

}  // namespace orvane::app
