#include "app/largefiles/LargeFilesViewController.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/common/Alerts.h"
#include "app/common/PageParts.h"
#include "app/common/ScanningViewController.h"
#include "app/common/ScreenRelay.h"
#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/common/UsageEvents.h"
#include "app/duplicates/RemoveFinishedView.h"
#include "app/largefiles/LargeFilesConfirmWindowController.h"
#include "app/largefiles/LargeFilesResultViewController.h"
#include "app/shell/Icons.h"
#include "app/shell/MainThread.h"
#include "core/files/ScanManagerProtocol.h"
#include "core/largefiles/LargeFileInfo.h"
#include "core/largefiles/LargeFilesManager.h"
#include "kit/Paths.h"

namespace orvane::app {

// Moves the driver's reports onto the GUI thread, and drops them once the screen is gone.
class LargeFilesObserver final : public files::ScanManagerProtocol,
                                 ScreenRelay<LargeFilesViewController> {
public:
    using ScreenRelay::ScreenRelay;

    void scaningPath(const std::string& path) override {
        post([path](LargeFilesViewController& s) { s.scanning_->scaningPath(path); });
    }
    void scanFound(std::int64_t count) override {
        post([count](LargeFilesViewController& s) {
            // A thousand files fill the ring; the count itself goes under the title.
            s.scanning_->setScannedCount(static_cast<long long>(count));
            s.scanning_->scanProgress(std::min(1.0, static_cast<double>(count) / 1000.0));
        });
    }
    void scanFinished() override {
        post([](LargeFilesViewController& s) { s.scanDidFinish(); });
    }
    void startRemove() override {
        post([](LargeFilesViewController& s) { s.removalDidStart(); });
    }
    void cleanProgress(double value, std::int64_t count) override {
        post([value, count](LargeFilesViewController& s) { s.removalProgress(value, count); });
    }
    void removeFinished() override {
        post([](LargeFilesViewController& s) { s.removalDidFinish(); });
    }
};

LargeFilesViewController::LargeFilesViewController(largefiles::LargeFilesManager* manager,
                                                   QWidget* parent)
    : ModuleBaseViewController(ModuleType::largeFiles, parent),
      manager_(manager ? manager : &largefiles::LargeFilesManager::shared()) {
    setObjectName(QStringLiteral("largeFilesModule"));
    observer_ = std::make_shared<LargeFilesObserver>(this);
    stack_ = addPageStack(this);

    // Start
    auto* start = new QWidget(stack_);
    auto* startLayout = new QVBoxLayout(start);
    startLayout->addStretch(2);
    addModuleIntro(startLayout, QStringLiteral("leftList_bigFiles"), 110, loc("Large Files"),
                   loc("Find the files of 10 MB and more in your home folder, sorted by "
                       "size, age and kind, and free the space they take."));
    auto* where = wrappedLabel(displayPath(kit::customHomeDirectory()),
                               QStringLiteral("color: #8792a0; font-size: 12px;"), start);
    startLayout->addWidget(where);
    startLayout->addSpacing(16);
    scanButton_ = new QPushButton(loc("Scan"), start);
    scanButton_->setObjectName(QStringLiteral("largeFilesScan"));
    scanButton_->setStyleSheet(styles::primaryButton());
    scanButton_->setMinimumWidth(160);
    startLayout->addWidget(scanButton_, 0, Qt::AlignHCenter);
    startLayout->addStretch(3);
    stack_->addWidget(start);
    connect(scanButton_, &QPushButton::clicked, this, &LargeFilesViewController::startScan);

    // Scanning
    scanning_ = new ScanningViewController(ModuleType::largeFiles, stack_);
    scanning_->isDriverStopping = [this] { return manager_->stopScanLargeFileFig.load(); };
    scanning_->stopConfirmed = [this] {
        scanCancelled_ = true;
        manager_->stopScan();
        scanning_->markStopped();
    };
    stack_->addWidget(scanning_);

    // Results
    result_ = new LargeFilesResultViewController(*manager_, stack_);
    result_->onRemove = [this] { confirmRemoval(); };
    result_->onRescan = [this] { startScan(); };
    stack_->addWidget(result_);

    // Removing
    auto* removing = new QWidget(stack_);
    auto* removingLayout = new QVBoxLayout(removing);
    removingLayout->addStretch(2);
    removingLayout->addWidget(wrappedLabel(loc("Removing..."), styles::title(), removing));
    removeLabel_ = wrappedLabel(QString(), styles::subtitle(), removing);
    removingLayout->addWidget(removeLabel_);
    removeProgress_ = new QProgressBar(removing);
    removeProgress_->setRange(0, 1000);
    removeProgress_->setTextVisible(false);
    removeProgress_->setMaximumWidth(420);
    removingLayout->addWidget(removeProgress_, 0, Qt::AlignHCenter);
    auto* stop = new QPushButton(loc("Stop"), removing);
    stop->setStyleSheet(styles::secondaryButton());
    removingLayout->addSpacing(10);
    removingLayout->addWidget(stop, 0, Qt::AlignHCenter);
    removingLayout->addStretch(3);
    connect(stop, &QPushButton::clicked, this, &LargeFilesViewController::stopRemoval);
    stack_->addWidget(removing);

    // Finished: the same report as every other module's removal.
    finished_ = new RemoveFinishedView(stack_);
    connect(finished_->newScanButton(), &QPushButton::clicked, this,
            &LargeFilesViewController::startScan);
    connect(finished_->doneButton(), &QPushButton::clicked, this, [this] {
        result_->reload();
        showPage(Page::results);
    });
    stack_->addWidget(finished_);

    manager_->removeRefused = [this](const std::string& message) { removalRefused(qs(message)); };
    QPointer<LargeFilesViewController> self = this;
    manager_->askForceRemove = [self](const std::string& volume, std::function<void(bool)> answer) {
        if (!self) return answer(false);
        onMainThread(self.data(), [self, volume, answer] {
            if (!self) return answer(false);
            askQuestion(
                self,
                locFormat("Some selected files will be permanently deleted because there is "
                          "not enough space in %@. Are you sure to continue?",
                          {qs(volume)}),
                loc("Cancel"), loc("Continue"), answer);
        });
    };
    showPage(Page::start);
}

LargeFilesViewController::~LargeFilesViewController() {
    manager_->stopAndWait();
    manager_->removeRefused = nullptr;
    manager_->askForceRemove = nullptr;
}

void LargeFilesViewController::showPage(Page page) {
    page_ = page;
    stack_->setCurrentIndex(static_cast<int>(page));
    // Walking away in the middle of a scan or a removal is not offered.
    setLeftlistStatus(page != Page::scanning && page != Page::removing);
}

void LargeFilesViewController::startScan() {
    if (page_ == Page::scanning || page_ == Page::removing) return;
    scanCancelled_ = false;
    manager_->folderList = {kit::customHomeDirectory()};
    manager_->delegate = observer_;
    usage::process(analytics::module::bigfile, analytics::action::startScan, {""});
    scanning_->startScanning();
    showPage(Page::scanning);
    usage::process(analytics::module::bigfile, analytics::action::scanPage, {""});
    manager_->startScanning();
}

void LargeFilesViewController::scanDidFinish() {
    // A stopped scan still ends with the driver's own report; one is enough.
    if (page_ != Page::scanning) return;
    manager_->waitUntilScanFinished();
    scanning_->scanFinished();
    result_->reload();
    showPage(Page::results);
}

LargeFilesConfirmWindowController* LargeFilesViewController::confirmRemoval() {
    const auto files = manager_->selectedFiles();
    if (files.empty()) return nullptr;
    std::vector<largefiles::LargeFileInfo> rows;
    rows.reserve(files.size());
    for (const auto& info : files) rows.push_back(largefiles::LargeFileInfo::from(*info));
    auto* window = new LargeFilesConfirmWindowController(std::move(rows), this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->onRemove = [this, files](files::RemoveType type) {
        const auto count = static_cast<long long>(files.size());
        std::uint64_t bytes = 0;
        for (const auto& info : files) bytes += info->size();
        const char* method = type.kind == files::RemoveType::Kind::trash    ? "Trash"
                             : type.kind == files::RemoveType::Kind::folder ? "Move"
                                                                            : "Direct";
        usage::operational(analytics::module::bigfile, analytics::action::removalMethod, {method});
        usage::process(analytics::module::bigfile, analytics::action::removeStart,
                       analytics::labels::removeStart(files.size(), bytes));
        removeStartedAt_ = std::chrono::steady_clock::now();
        removing_ = files;
        removeTotal_ = count;
        manager_->delegate = observer_;
        removeProgress_->setValue(0);
        removeLabel_->setText(
            locFormat("%@ of %@", {countText(0), quantity(count, "file", "files")}));
        showPage(Page::removing);
        manager_->removeDuplicateFiles(std::move(type));
    };
    window->open();
    return window;
}

void LargeFilesViewController::stopRemoval() { manager_->removeStop.store(true); }

void LargeFilesViewController::removalDidStart() {
    if (page_ != Page::removing) showPage(Page::removing);
}

void LargeFilesViewController::removalProgress(double value, long long count) {
    removeProgress_->setValue(static_cast<int>(value * 1000));
    removeLabel_->setText(
        locFormat("%@ of %@", {countText(count), quantity(removeTotal_, "file", "files")}));
}

void LargeFilesViewController::removalDidFinish() {
    const long long removed = manager_->removesucceedCount.load();
    const long long failed = manager_->errorRemoveCount.load();
    const bool stopped = manager_->removeStop.load();
    usage::process(analytics::module::bigfile, analytics::action::removeEnd,
                   analytics::labels::removeEnd(
                       static_cast<std::size_t>(removed), static_cast<std::size_t>(failed),
                       manager_->removesucceedSize.load(), usage::secondsSince(removeStartedAt_)));
    std::vector<RemoveFinishedView::Failure> failures;
    for (const auto& info : removing_)
        if (!info->deleted && info->removeError)
            failures.push_back({info->path(), info->removeError->description});
    finished_->showResult(removed, manager_->removesucceedSize.load(), stopped, failures,
                          manager_->lastRemoveType);
    showPage(Page::finished);
}

void LargeFilesViewController::removalRefused(const QString& message) {
    showPage(Page::results);
    showAlert(this, message, loc("OK"));
}

void LargeFilesViewController::backToHome(std::function<void(bool)> completion) {
    completion(page_ != Page::scanning && page_ != Page::removing);
}

bool LargeFilesViewController::isShouldCloseWindow() { return page_ != Page::removing; }

void LargeFilesViewController::applicationWillTerminate() { manager_->stopAndWait(); }

}  // namespace orvane::app
