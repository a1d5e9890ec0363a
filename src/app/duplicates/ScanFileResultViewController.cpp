#include "app/duplicates/ScanFileResultViewController.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <mutex>
#include <thread>
#include <utility>

#include "app/common/Alerts.h"
#include "app/common/PageParts.h"
#include "app/common/ScanningViewController.h"
#include "app/common/ScreenRelay.h"
#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/common/UsageEvents.h"
#include "app/duplicates/DuplicateResultModel.h"
#include "app/duplicates/DuplicateResultView.h"
#include "app/duplicates/RemoveFinishedView.h"
#include "app/duplicates/RemovingProgressWindowController.h"
#include "app/shell/Icons.h"
#include "app/shell/MainThread.h"
#include "core/duplicates/DuplicateSelection.h"
#include "core/duplicates/ScanManager.h"

namespace orvane::app {

using duplicates::ScanManager;

// Receives the manager's reports on its threads and hands them to the screen on the GUI thread.
// Frequent reports (the path being read, progress) are coalesced: only the latest value is
// delivered, so a scan of a million small files cannot flood the event loop.
class ScanFileResultViewController::Observer : public files::ScanManagerProtocol,
                                               public ScreenRelay<ScanFileResultViewController> {
public:
    using ScreenRelay::ScreenRelay;

    void stopScan() override {
        post([](ScanFileResultViewController& s) { s.onStopScan(); });
    }
    void scanFinished() override {
        post([](ScanFileResultViewController& s) { s.onScanFinished(); });
    }
    void scaningPath(const std::string& path) override {
        {
            std::lock_guard lock(mutex_);
            path_ = path;
        }
        flushScanSoon();
    }
    void scanProgress(double value) override {
        {
            std::lock_guard lock(mutex_);
            progress_ = std::max(progress_, value);
        }
        flushScanSoon();
    }
    void startRemove() override {
        post([](ScanFileResultViewController& s) { s.onStartRemove(); });
    }
    void removeFinished() override {
        post([](ScanFileResultViewController& s) { s.onRemoveFinished(); });
    }
    void cleanProgress(double value, std::int64_t count) override {
        {
            std::lock_guard lock(mutex_);
            cleanValue_ = value;
            cleanCount_ = count;
        }
        if (cleanPending_.exchange(true)) return;
        post([this](ScanFileResultViewController& s) {
            cleanPending_ = false;
            double value;
            std::int64_t count;
            {
                std::lock_guard lock(mutex_);
                value = cleanValue_;
                count = cleanCount_;
            }
            s.onCleanProgress(value, count);
        });
    }
    void removeRefused(const std::string& message) override {
        post([message](ScanFileResultViewController& s) { s.onRemoveRefused(message); });
    }
    void confirmForceRemove(const std::string& volume, std::function<void(bool)> answer) override {
        if (isDetached()) {
            answer(false);
            return;
        }
        post([volume, answer](ScanFileResultViewController& s) {
            s.onConfirmForceRemove(volume, answer);
        });
    }

    void resetProgress() {
        std::lock_guard lock(mutex_);
        progress_ = 0;
        path_.clear();
    }

private:
    void flushScanSoon() {
        if (scanPending_.exchange(true)) return;
        post([this](ScanFileResultViewController& s) {
            scanPending_ = false;
            double value;
            std::string path;
            {
                std::lock_guard lock(mutex_);
                value = progress_;
                path = path_;
            }
            s.onScanProgress(value, path);
        });
    }

    std::mutex mutex_;
    std::string path_;
    double progress_ = 0;
    double cleanValue_ = 0;
    std::int64_t cleanCount_ = 0;
    std::atomic<bool> scanPending_{false};
    std::atomic<bool> cleanPending_{false};
};

ScanFileResultViewController::ScanFileResultViewController(std::shared_ptr<ScanManager> manager,
                                                           QWidget* parent)
    : ScanResultScreen(parent), manager_(std::move(manager)) {
    setObjectName(QStringLiteral("scanFileResult"));
    observer_ = std::make_shared<Observer>(this);
    manager_->delegate = observer_;

    pages_ = addPageStack(this);

    scanning_ = new ScanningViewController(ModuleType::duplicateFiles, pages_);
    pages_->addWidget(scanning_);
    std::weak_ptr<ScanManager> weak = manager_;
    scanning_->isDriverStopping = [weak] {
        auto m = weak.lock();
        return m && m->scanStop.load();
    };
    scanning_->stopConfirmed = [weak] {
        if (auto m = weak.lock()) m->stopScanning();
    };

    result_ = new DuplicateResultView(pages_);
    pages_->addWidget(result_);
    goesBack(result_->backButton());
    result_->removeRequested = [this](std::vector<files::DuplicateFilesPtr> groups,
                                      files::RemoveType type) {
        // The groups are the manager's: from here until the run ends only the removal touches
        // them, so the lists stop showing them now.
        displayType_ = DisplayViewType::displayViewTypeRemoving;
        result_->model()->setGroups({});
        pages_->setCurrentWidget(removing_);
        if (setListEnabled) setListEnabled(false);
        std::weak_ptr<ScanManager> weakManager = manager_;
        sheet_ = RemovingProgressWindowController::openOver(window(), [weakManager] {
            if (auto m = weakManager.lock()) m->removeStop = true;
        });
        std::size_t count = 0;
        std::uint64_t bytes = 0;
        for (const auto& group : groups)
            for (const auto& file : group->infos())
                if (file->selected) ++count, bytes += file->size();
        const char* method = type.kind == duplicates::RemoveType::Kind::trash    ? "Trash"
                             : type.kind == duplicates::RemoveType::Kind::folder ? "Move"
                                                                                 : "Direct";
        usage::operational(analytics::module::duplicateFile, analytics::action::removalMethod,
                           {method});
        usage::process(analytics::module::duplicateFile, analytics::action::removeStart,
                       analytics::labels::removeStart(count, bytes));
        removeStartedAt_ = std::chrono::steady_clock::now();
        manager_->removeDuplicateFiles(std::move(groups), std::move(type));
    };

    QPushButton* emptyBack = nullptr;
    empty_ = messagePage(pages_, QStringLiteral("empty"), loc("There's nothing to clean up."),
                         &emptyBack, loc("Back"));
    empty_->setObjectName(QStringLiteral("emptyResult"));
    goesBack(emptyBack);
    pages_->addWidget(empty_);
    removing_ =
        messagePage(pages_, QStringLiteral("leftList_duplicate"), loc("Removing..."), nullptr, {});
    pages_->addWidget(removing_);
    finished_ = new RemoveFinishedView(pages_);
    pages_->addWidget(finished_);
    connect(finished_->doneButton(), &QPushButton::clicked, this,
            &ScanFileResultViewController::showResults);
    goesBack(finished_->newScanButton());

    counterTimer_.setInterval(250);
    connect(&counterTimer_, &QTimer::timeout, this, &ScanFileResultViewController::pollCounters);
}

ScanFileResultViewController::~ScanFileResultViewController() {
    observer_->detach();
    stopWork();
}

QWidget* ScanFileResultViewController::currentPage() const { return pages_->currentWidget(); }

void ScanFileResultViewController::startScan() {
    displayType_ = DisplayViewType::displayViewTypeScanning;
    result_->model()->setGroups({});
    pages_->setCurrentWidget(scanning_);
    scanning_->startScanning();
    usage::process(usage::moduleFor(cur), analytics::action::scanPage, {""});
    scanStartedAt_ = std::chrono::steady_clock::now();
    observer_->resetProgress();
    if (setListEnabled) setListEnabled(false);
    scanRunning_ = true;
    counterTimer_.start();
    // Started from here rather than from a thread of its own: the call only reads the small
    // settings file and hands the walk to the driver's threads, and a stop pressed at once must
    // find the scan's flags already reset, not be undone by a late start.
    manager_->scanDuplicateFile();
}

void ScanFileResultViewController::pollCounters() {
    if (displayType_ != DisplayViewType::displayViewTypeScanning) return;
    const files::ScanTotals totals = manager_->scanTotals();
    const auto kind = [&totals](files::FileType type) {
        return totals.sizeByKind[static_cast<std::size_t>(type)];
    };
    scanning_->setKindSizes(kind(files::FileType::document),
                            kind(files::FileType::picture) + kind(files::FileType::video),
                            kind(files::FileType::audio) + kind(files::FileType::other));
    scanning_->setDuplicatesFound(totals.count, totals.size);
}

void ScanFileResultViewController::onScanProgress(double value, const std::string& path) {
    if (displayType_ != DisplayViewType::displayViewTypeScanning) return;
    scanning_->scanProgress(value);
    if (!path.empty()) scanning_->scaningPath(path);
}

void ScanFileResultViewController::onStopScan() {
    if (displayType_ == DisplayViewType::displayViewTypeScanning) scanning_->markStopped();
}

void ScanFileResultViewController::onScanFinished() {
    if (!scanRunning_) return;
    scanRunning_ = false;
    counterTimer_.stop();
    scanning_->setKindSizes(manager_->documentFilesSize,
                            manager_->pictureFilesSize + manager_->videoFilesSize,
                            manager_->audioFilesSize + manager_->otherFilesSize);
    scanning_->setDuplicatesFound(manager_->totalFilesCount, manager_->totalFilesSize);
    scanning_->scanFinished();
    usage::process(analytics::module::duplicateFile, analytics::action::scanEnd,
                   analytics::labels::scanEnd(usage::secondsSince(scanStartedAt_),
                                              manager_->totalFilesSize, manager_->scanStop.load()));
    if (setListEnabled) setListEnabled(true);
    showResults();
}

void ScanFileResultViewController::showResults() {
    displayType_ = DisplayViewType::displayViewTypeScanFinished;
    ScanManager& m = *manager_;
    // Removal leaves failed copies deselected and takes removed ones out; the group boxes and
    // their selected sizes follow from what is left.
    for (const auto& group : m.totalFiles) duplicates::DuplicateSelection::refreshGroup(*group);
    // The side panel shows what is still duplicated: a group a removal left with one file is
    // not listed, so its bytes are not counted either, and a group whose first copy went is
    // filed by the copy now first. That is what a new scan of the same files would show.
    const auto kinds = duplicates::DuplicateSelection::remainingByKind(m.totalFiles);
    std::array<DuplicateResultView::Category, DuplicateResultView::categoryCount> categories;
    auto& all = categories[DuplicateResultView::all];
    all.groups = m.totalFiles;  // removal reads every group, listed or not
    for (const auto& kind : kinds) all.totalSize += kind.size;
    const auto place = [&](DuplicateResultView::CategoryIndex index, files::FileType type) {
        const auto& kind = kinds[static_cast<std::size_t>(type)];
        categories[index] = {kind.groups, kind.size};
    };
    place(DuplicateResultView::video, files::FileType::video);
    place(DuplicateResultView::audio, files::FileType::audio);
    place(DuplicateResultView::picture, files::FileType::picture);
    place(DuplicateResultView::document, files::FileType::document);
    place(DuplicateResultView::other, files::FileType::other);
    result_->setSkippedText(QString::fromStdString(m.skippedEntries().sentence()));
    if (m.lastRemoveType && m.lastRemoveType->kind == files::RemoveType::Kind::folder)
        result_->lastFolder = m.lastRemoveType->path;
    result_->setCategories(std::move(categories));
    pages_->setCurrentWidget(hasResults() ? static_cast<QWidget*>(result_) : empty_);
}

bool ScanFileResultViewController::isBusy() const {
    return displayType_ == DisplayViewType::displayViewTypeScanning ||
           displayType_ == DisplayViewType::displayViewTypeRemoving;
}

bool ScanFileResultViewController::hasResults() const {
    if (displayType_ == DisplayViewType::displayViewTypeScanning) return false;
    for (const auto& group : manager_->totalFiles)
        if (group->count() >= 2) return true;
    return false;
}

void ScanFileResultViewController::dropResults() {
    result_->model()->setGroups({});
    result_->setCategories({});
    if (!manager_->scaning) manager_->resetScan();
    displayType_ = DisplayViewType::displayViewTypeScanFinished;
    pages_->setCurrentWidget(empty_);
}

void ScanFileResultViewController::onStartRemove() {
    if (displayType_ != DisplayViewType::displayViewTypeRemoving) return;
    if (sheet_) sheet_->cleanProgress(0, 0);
}

void ScanFileResultViewController::onCleanProgress(double value, long long count) {
    if (sheet_) sheet_->cleanProgress(value, count);
}

void ScanFileResultViewController::closeSheet() {
    if (sheet_) std::exchange(sheet_, nullptr)->finish();
}

void ScanFileResultViewController::onRemoveFinished() {
    if (displayType_ != DisplayViewType::displayViewTypeRemoving) return;
    const bool interrupted = manager_->removeStop.load() || (sheet_ && sheet_->isInterrupted());
    closeSheet();
    std::vector<RemoveFinishedView::Failure> failures;
    for (const auto& group : manager_->totalFiles)
        for (const auto& file : group->infos())
            if (file->removeError && !file->deleted)
                failures.push_back({file->path(), file->removeError->description});
    displayType_ = DisplayViewType::displayViewTypeRemoveFinished;
    usage::process(analytics::module::duplicateFile, analytics::action::removeEnd,
                   analytics::labels::removeEnd(
                       static_cast<std::size_t>(manager_->succeedRemoveCount), failures.size(),
                       manager_->succeedRemoveSize, usage::secondsSince(removeStartedAt_)));
    finished_->showResult(manager_->succeedRemoveCount, manager_->succeedRemoveSize, interrupted,
                          failures, manager_->lastRemoveType);
    pages_->setCurrentWidget(finished_);
    if (setListEnabled) setListEnabled(true);
}

void ScanFileResultViewController::onRemoveRefused(const std::string& message) {
    if (displayType_ != DisplayViewType::displayViewTypeRemoving) return;
    closeSheet();
    if (setListEnabled) setListEnabled(true);
    showResults();
    showAlert(window(), qs(message), loc("OK"));
}

void ScanFileResultViewController::onConfirmForceRemove(const std::string& volume,
                                                        std::function<void(bool)> answer) {
    QWidget* over = sheet_ ? static_cast<QWidget*>(sheet_) : window();
    askQuestion(
        over,
        locFormat("Some selected files will be permanently deleted because there is not enough "
                  "space in %@. Are you sure to continue?",
                  {displayPath(volume)}),
        loc("Cancel"), loc("Continue"), [answer](bool yes) { answer(yes); });
}

void ScanFileResultViewController::stopWork() {
    counterTimer_.stop();
    manager_->stopAndWait();
}

}  // namespace orvane::app
