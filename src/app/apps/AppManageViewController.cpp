#include "app/apps/AppManageViewController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/apps/AppCleaningLogDialog.h"
#include "app/apps/AppIcons.h"
#include "app/apps/AppManageResultViewController.h"
#include "app/apps/AppRemovalConfirmation.h"
#include "app/apps/AppTexts.h"
#include "app/apps/AppUpdatesView.h"
#include "app/common/PageParts.h"
#include "app/common/ScreenRelay.h"
#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/common/UsageEvents.h"
#include "app/shell/Icons.h"
#include "app/shell/MainThread.h"
#include "core/apps/AppManager.h"
#include "kit/Log.h"

namespace orvane::app {

namespace {

// The app manager's removal events name only what was removed: applications or leftovers.
analytics::Labels cleanLabels(apps::AppManageCleanType type) {
    const std::string blank(analytics::label::blank);
    return {blank, blank, blank, "",
            std::string(type == apps::AppManageCleanType::appFiles ? analytics::label::leftover
                                                                   : analytics::label::uninstall)};
}

}  // namespace

// Brings the manager's reports to the screen on the GUI thread, and drops them once it is gone.
class AppManageObserver final : public apps::AppManagerDelegate,
                                public apps::AppManagerUpdateDelegate,
                                ScreenRelay<AppManageViewController> {
public:
    using ScreenRelay::ScreenRelay;

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
    void appManagerDidStartCleaningApp(apps::AppManager&, const apps::AppModelPtr& app) override {
        post([app](AppManageViewController& s) { s.didStartCleaningApp(app); });
    }
    void appManagerDidFinishCleaningFile(apps::AppManager&, const apps::AppFilePtr&,
                                         bool) override {
        post([](AppManageViewController& s) { s.didFinishCleaningFile(); });
    }
    void appManagerDidFinishCleaning(apps::AppManager&,
                                     const std::vector<apps::AppCleaningLog>& logs) override {
        post([logs](AppManageViewController& s) { s.didFinishCleaning(logs); });
    }
    void appManagerDidFinishCheckingUpdates(apps::AppManager&,
                                            const std::vector<apps::AppModelPtr>& apps,
                                            const std::string& error) override {
        post([apps, error](AppManageViewController& s) { s.didCheckUpdates(apps, error); });
    }
    void appManagerDidStartUpdatingApp(apps::AppManager&, const apps::AppModelPtr& app) override {
        post([app](AppManageViewController& s) { s.didStartUpdatingApp(app); });
    }
    void appManagerDidUpdateAppProgress(apps::AppManager&, const apps::AppModelPtr& app,
                                        int percent) override {
        post([app, percent](AppManageViewController& s) { s.didUpdateAppProgress(app, percent); });
    }
    void appManagerDidUpdatingApp(apps::AppManager&, const apps::AppModelPtr&, int current,
                                  int total) override {
        post([current, total](AppManageViewController& s) { s.didUpdateApp(current, total); });
    }
    void appManagerDidFinishUpdate(apps::AppManager&, int success, int total) override {
        post([success, total](AppManageViewController& s) { s.didFinishUpdate(success, total); });
    }
};

AppManageViewController::AppManageViewController(apps::AppManager* manager, QWidget* parent)
    : ModuleBaseViewController(ModuleType::appManage, parent),
      manager_(manager ? manager : &apps::AppManager::shared()),
      icons_(std::make_unique<AppIcons>(manager_->layout())),
      leaveQuestion_(loc("Yes")) {
    setObjectName(QStringLiteral("appManageModule"));
    observer_ = std::make_shared<AppManageObserver>(this);
    stack_ = addPageStack(this);

    // Start
    auto* start = new QWidget(stack_);
    auto* startLayout = new QVBoxLayout(start);
    startLayout->addStretch(2);
    addModuleIntro(startLayout, QStringLiteral("leftList_app"), 110, loc("App Management"),
                   loc("See every installed application with the settings, data, logs and "
                       "caches it keeps, and find what removed applications left behind."));
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
    scanLayout->addWidget(wrappedLabel(loc("Scanning Applications..."), styles::title(), scanning));
    count_ = wrappedLabel(QString(), styles::subtitle(), scanning);
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
    note_ = wrappedLabel(QString(), QStringLiteral("color: #8792a0; font-size: 12px;"), scanning);
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
    result_->onRemove = [this](bool residual) { removeSelected(residual); };
    result_->onCheckUpdates = [this] { checkUpdates(); };
    connect(result_->updatesView(), &AppUpdatesView::updateRequested, this,
            &AppManageViewController::startUpdate);
    stack_->addWidget(result_);

    // Managing: a removal or update run.
    auto* managing = new QWidget(stack_);
    auto* managingLayout = new QVBoxLayout(managing);
    managingLayout->addStretch(2);
    managingTitle_ = wrappedLabel(QString(), styles::title(), managing);
    managingTitle_->setObjectName(QStringLiteral("appsManagingTitle"));
    managingLayout->addWidget(managingTitle_);
    managingProgress_ = new QProgressBar(managing);
    managingProgress_->setObjectName(QStringLiteral("appsManagingProgress"));
    managingProgress_->setTextVisible(false);
    managingProgress_->setMinimumWidth(320);
    managingProgress_->setMaximumWidth(420);
    managingLayout->addWidget(managingProgress_, 0, Qt::AlignHCenter);
    managingCurrent_ = wrappedLabel(QString(), styles::subtitle(), managing);
    managingCurrent_->setObjectName(QStringLiteral("appsManagingCurrent"));
    managingCurrent_->setTextFormat(Qt::PlainText);
    managingLayout->addWidget(managingCurrent_);
    managingCancel_ = new QPushButton(loc("Cancel"), managing);
    managingCancel_->setObjectName(QStringLiteral("appsManagingCancel"));
    managingCancel_->setStyleSheet(styles::secondaryButton());
    managingLayout->addSpacing(10);
    managingLayout->addWidget(managingCancel_, 0, Qt::AlignHCenter);
    managingLayout->addStretch(3);
    connect(managingCancel_, &QPushButton::clicked, this, [this] { cancelRun(); });
    stack_->addWidget(managing);

    // Finished: what the run did.
    auto* finished = new QWidget(stack_);
    auto* finishedLayout = new QVBoxLayout(finished);
    finishedLayout->addStretch(2);
    auto* doneIcon = new QLabel(finished);
    doneIcon->setPixmap(appIcon(QStringLiteral("done")).pixmap(88, 88));
    doneIcon->setAlignment(Qt::AlignCenter);
    finishedLayout->addWidget(doneIcon);
    finishedTitle_ = wrappedLabel(QString(), styles::title(), finished);
    finishedTitle_->setObjectName(QStringLiteral("appsFinishedTitle"));
    finishedLayout->addWidget(finishedTitle_);
    finishedSummary_ = wrappedLabel(QString(), styles::subtitle(), finished);
    finishedSummary_->setObjectName(QStringLiteral("appsFinishedSummary"));
    finishedLayout->addWidget(finishedSummary_);
    logButton_ = new QPushButton(loc("Cleaning Log"), finished);
    logButton_->setObjectName(QStringLiteral("appsCleaningLogButton"));
    logButton_->setStyleSheet(styles::linkButton());
    logButton_->setCursor(Qt::PointingHandCursor);
    finishedLayout->addWidget(logButton_, 0, Qt::AlignHCenter);
    connect(logButton_, &QPushButton::clicked, this, [this] {
        if (auto* sheet = cleaningLog()) sheet->open();
    });
    more_ = new QPushButton(finished);
    more_->setObjectName(QStringLiteral("appsMore"));
    more_->setStyleSheet(styles::primaryButton());
    more_->setMinimumWidth(180);
    finishedLayout->addSpacing(12);
    finishedLayout->addWidget(more_, 0, Qt::AlignHCenter);
    finishedLayout->addStretch(3);
    connect(more_, &QPushButton::clicked, this, [this] {
        result_->reload();
        showPage(Page::results);
        if (runType_ == apps::AppManageCleanType::appUpdate) {
            result_->showUpdates();
            checkUpdates();
        }
    });
    stack_->addWidget(finished);

    showPage(Page::start);
}

AppManageViewController::~AppManageViewController() {
    if (aptStop_) aptStop_->store(true);
    manager_->cancelScan();
    manager_->isCleaningCancelled.store(true);
    manager_->isUpdatingCancelled.store(true);
    manager_->waitUntilScanFinished();
    manager_->waitUntilWorkFinished();
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
    usage::process(analytics::module::appManage, analytics::action::startScan, {""});
    showPage(Page::scanning);
    usage::process(analytics::module::appManage, analytics::action::scanPage,
                   {std::string(analytics::label::nil)});
    setLeftlistStatus(false);
    manager_->delegate = observer_;
    scanStartedAt_ = std::chrono::steady_clock::now();
    manager_->scanApp();
    analytics::reportEvent(analytics::category::appManage, analytics::module::none,
                           analytics::action::scanApp, {std::string(analytics::label::blank)});
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
    std::uint64_t scanned = 0;
    for (const apps::AppModelPtr& app : manager_->apps) scanned += app->totalSize();
    usage::process(
        analytics::module::appManage, analytics::action::scanEnd,
        {analytics::labels::elapsedTime(usage::secondsSince(scanStartedAt_)),
         analytics::labels::scannedSize(scanned), analytics::labels::outcome(stopping_)});
    setLeftlistStatus(true);
    result_->reload();
    showPage(Page::results);
    result_->setIncomplete(stopping_);
    stopping_ = false;
}

void AppManageViewController::backToHome(std::function<void(bool)> completion) {
    if (page_ == Page::start) return completion(true);
    if (page_ == Page::scanning || page_ == Page::managing) return completion(false);
    if (manager_->apps.empty() && manager_->residualApps.empty()) {
        showPage(Page::start);
        return completion(true);
    }
    leaveQuestion_.ask(this, analytics::module::appManage,
                       [this, completion = std::move(completion)](bool yes) {
                           // The lists stay with the manager until the next scan replaces them:
                           // an update check may still be reading them. The way back to them is
                           // gone with the page.
                           if (yes) showPage(Page::start);
                           completion(yes);
                       });
}

bool AppManageViewController::isShouldCloseWindow() { return true; }

void AppManageViewController::applicationWillTerminate() {
    if (aptStop_) aptStop_->store(true);
    manager_->cancelScan();
    manager_->isCleaningCancelled.store(true);
    manager_->isUpdatingCancelled.store(true);
    manager_->waitUntilScanFinished();
    manager_->waitUntilWorkFinished();
}

AppRemovalConfirmation* AppManageViewController::confirmRemoval(bool residual,
                                                                const apps::AptRemovalPlan& plan) {
    const auto ticked =
        AppRemovalConfirmation::tickedApps(residual ? manager_->residualApps : manager_->apps);
    if (ticked.empty()) return nullptr;
    auto* dialog = new AppRemovalConfirmation(ticked, residual, plan, manager_->layout(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, residual] { startRemoval(residual); });
    return dialog;
}

void AppManageViewController::removeSelected(bool residual) {
    if (page_ == Page::managing) return;
    const auto ticked =
        AppRemovalConfirmation::tickedApps(residual ? manager_->residualApps : manager_->apps);
    if (ticked.empty()) return;
    std::vector<std::string> packages;
    if (!residual) packages = apps::AppManager::tickedPackageNames(ticked);
    if (packages.empty()) {
        apps::AptRemovalPlan nothingToAsk;
        nothingToAsk.ok = true;
        didPlanRemoval(residual, nothingToAsk);
        return;
    }
    // apt resolves on the worker; the managing page is busy until it answers or Cancel.
    showManaging(apps::AppManageCleanType::appUninsatll, 0);
    managingProgress_->setRange(0, 0);
    managingCurrent_->setText(loc("Asking apt what it would remove..."));
    auto stop = std::make_shared<std::atomic<bool>>(false);
    aptStop_ = stop;
    QPointer<AppManageViewController> self = this;
    manager_->debianRemovalPlanInBackground(
        std::move(packages), stop, [self, stop, residual](const apps::AptRemovalPlan& plan) {
            // A question the user stopped (or a closed window) has no one to answer to.
            if (!self || stop->load() || self->aptStop_ != stop) return;
            self->aptStop_.reset();
            self->showPage(Page::results);
            self->setLeftlistStatus(true);
            self->didPlanRemoval(residual, plan);
        });
}

void AppManageViewController::didPlanRemoval(bool residual, const apps::AptRemovalPlan& plan) {
    if (auto* dialog = confirmRemoval(residual, plan)) dialog->open();
}

void AppManageViewController::stopAskingApt() {
    if (!aptStop_) return;
    aptStop_->store(true);
    aptStop_.reset();
    showPage(Page::results);
    setLeftlistStatus(true);
}

void AppManageViewController::showManaging(apps::AppManageCleanType type, int total) {
    runType_ = type;
    runStopping_ = false;
    cleanTotalCount_ = total;
    cleanedCount_ = 0;
    managingTitle_->setText(
        type == apps::AppManageCleanType::appUninsatll ? loc("Uninstall Applications")
        : type == apps::AppManageCleanType::appFiles   ? loc("Clean Leftover Files")
                                                       : loc("Update Apps"));
    managingProgress_->setRange(0, std::max(total, 1));
    managingProgress_->setValue(0);
    managingCurrent_->setText(loc("Preparing..."));
    managingCancel_->setEnabled(true);
    setLeftlistStatus(false);
    showPage(Page::managing);
}

void AppManageViewController::startRemoval(bool residual) {
    if (page_ == Page::managing) return;
    const auto& list = residual ? manager_->residualApps : manager_->apps;
    int total = 0;
    tickedWhole_.clear();
    for (const apps::AppModelPtr& app : list) {
        int ticked = 0;
        const auto all = app->allSubFiles();
        for (const apps::AppFilePtr& f : all) ticked += f->selected ? 1 : 0;
        total += ticked;
        if (ticked > 0 && ticked == static_cast<int>(all.size())) tickedWhole_.push_back(app);
    }
    showManaging(
        residual ? apps::AppManageCleanType::appFiles : apps::AppManageCleanType::appUninsatll,
        total);
    manager_->delegate = observer_;
    usage::process(analytics::module::appManage, analytics::action::removeStart,
                   cleanLabels(runType_));
    manager_->startCleanInBackground(residual);
}

void AppManageViewController::checkUpdates() {
    result_->updatesView()->showChecking();
    manager_->updateDelegate = observer_;
    manager_->checkStoreUpdatesInBackground();
}

void AppManageViewController::startUpdate() {
    if (page_ == Page::managing) return;
    int total = 0;
    for (const apps::AppModelPtr& app : result_->updatesView()->apps())
        total += app->isSelectedUpdate ? 1 : 0;
    if (total == 0) return;
    showManaging(apps::AppManageCleanType::appUpdate, total);
    manager_->updateDelegate = observer_;
    manager_->updateAppsInBackground();
}

void AppManageViewController::cancelRun(bool ask) {
    if (page_ != Page::managing || runStopping_) return;
    if (aptStop_) {  // nothing was removed yet: no question to ask
        stopAskingApt();
        return;
    }
    if (ask) {
        QMessageBox box(QMessageBox::Question, loc("Cancel"),
                        loc("Are you sure you want to proceed?"), QMessageBox::NoButton, this);
        box.setObjectName(QStringLiteral("appsCancelQuestion"));
        box.addButton(loc("Cancel"), QMessageBox::RejectRole);
        QPushButton* yes = box.addButton(loc("Yes"), QMessageBox::AcceptRole);
        box.exec();
        if (box.clickedButton() != yes) return;
    }
    runStopping_ = true;
    managingCancel_->setEnabled(false);
    managingCurrent_->setText(runType_ == apps::AppManageCleanType::appUpdate
                                  ? loc("Stopping after the current application...")
                                  : loc("Stopping after the current item..."));
    if (runType_ == apps::AppManageCleanType::appUpdate) manager_->isUpdatingCancelled.store(true);
    else manager_->isCleaningCancelled.store(true);
}

AppCleaningLogDialog* AppManageViewController::cleaningLog() {
    if (runType_ == apps::AppManageCleanType::appUpdate) return nullptr;
    auto* sheet = new AppCleaningLogDialog(logs_, *icons_, this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    return sheet;
}

void AppManageViewController::didStartCleaningApp(const apps::AppModelPtr& app) {
    if (!runStopping_)
        managingCurrent_->setText(locFormat("Removing %@...", {displayPath(app->appName)}));
}

void AppManageViewController::didFinishCleaningFile() {
    // Every item, the program's own or a package manager's, advances the bar once.
    ++cleanedCount_;
    managingProgress_->setValue(std::min(cleanedCount_, std::max(cleanTotalCount_, 1)));
}

void AppManageViewController::didFinishCleaning(std::vector<apps::AppCleaningLog> logs) {
    ORVANE_LOG(">>>>>>>应用卸载日志：" + std::to_string(logs.size()) + " logs");
    if (runType_ != apps::AppManageCleanType::appUpdate)
        usage::process(analytics::module::appManage, analytics::action::removeEnd,
                       cleanLabels(runType_));
    logs_ = std::move(logs);
    long long appCount = 0, itemCount = 0;
    bool anyFailed = false;
    for (const apps::AppCleaningLog& log : logs_) {
        anyFailed = anyFailed || !log.isSuccess;
        const bool whole =
            std::find(tickedWhole_.begin(), tickedWhole_.end(), log.app) != tickedWhole_.end();
        for (const apps::CleanedFile& f : log.cleanedFiles) {
            if (!f.success) continue;
            if (runType_ == apps::AppManageCleanType::appUninsatll && whole) {
                if (f.file->type() == apps::AppFileType::appFile) ++appCount;
            } else {
                ++itemCount;
            }
        }
    }
    if (runType_ == apps::AppManageCleanType::appFiles) {
        finishedTitle_->setText(loc("Cleanup Complete"));
        finishedSummary_->setText(
            numbered("Successfully cleaned {0} item(s)", {countText(itemCount)}));
    } else {
        finishedTitle_->setText(loc("Uninstallation Complete"));
        finishedSummary_->setText(
            appCount == 0 ? numbered("Successfully uninstalled {0} item(s)", {countText(itemCount)})
                          : numbered("Successfully uninstalled {0} app(s) and {1} item(s)",
                                     {countText(appCount), countText(itemCount)}));
    }
    if (anyFailed)
        finishedSummary_->setText(
            finishedSummary_->text() + QLatin1Char('\n') +
            loc("Some items could not be removed; the Cleaning Log says why."));
    if (runStopping_)
        finishedSummary_->setText(finishedSummary_->text() + QLatin1Char('\n') +
                                  loc("Stopped before the end: the rest was left in place."));
    logButton_->show();
    more_->setText(loc("Uninstall More Apps"));
    setLeftlistStatus(true);
    showPage(Page::finished);
}

void AppManageViewController::didCheckUpdates(const std::vector<apps::AppModelPtr>& apps,
                                              const std::string& error) {
    result_->updatesView()->showUpdates(apps, displayPath(error));
}

void AppManageViewController::didStartUpdatingApp(const apps::AppModelPtr& app) {
    if (!runStopping_)
        managingCurrent_->setText(locFormat("Updating %@...", {displayPath(app->appName)}));
}

void AppManageViewController::didUpdateAppProgress(const apps::AppModelPtr& app, int percent) {
    if (!runStopping_)
        managingCurrent_->setText(
            locFormat("Updating %@... %@%", {displayPath(app->appName), QString::number(percent)}));
}

void AppManageViewController::didUpdateApp(int current, int total) {
    if (total > 0) {
        managingProgress_->setRange(0, total);
        managingProgress_->setValue(current);
    }
}

void AppManageViewController::didFinishUpdate(int success, int total) {
    finishedTitle_->setText(loc("Update Complete"));
    QString summary = numbered("{0} app(s) updated successfully", {countText(success)});
    if (success < total) {
        QStringList failures;
        for (const apps::AppModelPtr& app : result_->updatesView()->apps())
            if (!app->updateError.empty())
                failures << displayPath(app->appName) + QStringLiteral(": ") +
                                displayPath(app->updateError);
        if (!failures.isEmpty()) summary += QLatin1Char('\n') + failures.join(QLatin1Char('\n'));
    }
    finishedSummary_->setText(summary);
    logButton_->hide();
    more_->setText(loc("Update More Apps"));
    setLeftlistStatus(true);
    showPage(Page::finished);
}

}  // namespace orvane::app
