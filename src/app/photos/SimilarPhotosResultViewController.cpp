#include "app/photos/SimilarPhotosResultViewController.h"

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QStringList>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>

#include "app/common/Alerts.h"
#include "app/common/PageParts.h"
#include "app/common/ScanningViewController.h"
#include "app/common/ScreenRelay.h"
#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/common/UsageEvents.h"
#include "app/duplicates/RemoveFinishedView.h"
#include "app/duplicates/RemovingProgressWindowController.h"
#include "app/photos/PhotoResultView.h"
#include "app/shell/Icons.h"
#include "core/photos/PhotoSelection.h"
#include "core/photos/ScanImagesManager.h"

namespace orvane::app {

using photos::ScanImagesManager;

// Hands the driver's reports to the screen on the GUI thread. Progress is coalesced: only the
// latest value is delivered, however often the engine reports.
class SimilarPhotosResultViewController::Observer
    : public photos::ScanImagesManagerProtocol,
      public photos::ScanImagesRemoveProtocol,
      public ScreenRelay<SimilarPhotosResultViewController> {
public:
    using ScreenRelay::ScreenRelay;

    void progressDidChanged(ScanImagesManager&, double ratio, long long total,
                            const std::string& path) override {
        {
            std::lock_guard lock(mutex_);
            ratio_ = std::max(ratio_, ratio);
            total_ = total;
            path_ = path;
        }
        if (pending_.exchange(true)) return;
        post([this](SimilarPhotosResultViewController& s) {
            pending_ = false;
            double ratio;
            long long total;
            std::string path;
            {
                std::lock_guard lock(mutex_);
                ratio = ratio_;
                total = total_;
                path = path_;
            }
            s.onProgress(ratio, total, path);
        });
    }
    void scanDidEnd(ScanImagesManager&, const photos::ScanImagesOutcome& outcome) override {
        post([outcome](SimilarPhotosResultViewController& s) { s.onScanEnded(outcome); });
    }
    void progressDidChange(ScanImagesManager&, double fraction) override {
        post([fraction](SimilarPhotosResultViewController& s) { s.onRemoveProgress(fraction); });
    }
    void removeManagerDidStop(ScanImagesManager&) override {
        post([](SimilarPhotosResultViewController& s) { s.onRemoveEnded(true); });
    }
    void removeMangerDidFinish(ScanImagesManager&) override {
        post([](SimilarPhotosResultViewController& s) { s.onRemoveEnded(false); });
    }
    void reset() {
        std::lock_guard lock(mutex_);
        ratio_ = 0;
        total_ = 0;
        path_.clear();
    }

private:
    std::mutex mutex_;
    double ratio_ = 0;
    long long total_ = 0;
    std::string path_;
    std::atomic<bool> pending_{false};
};

SimilarPhotosResultViewController::SimilarPhotosResultViewController(ScanImagesManager* manager,
                                                                     QWidget* parent)
    : ScanResultScreen(parent), manager_(manager) {
    setObjectName(QStringLiteral("similarPhotosResult"));
    observer_ = std::make_shared<Observer>(this);
    manager_->setDelegate(std::static_pointer_cast<photos::ScanImagesManagerProtocol>(observer_));
    manager_->setRemoveDelegate(
        std::static_pointer_cast<photos::ScanImagesRemoveProtocol>(observer_));

    pages_ = addPageStack(this);

    scanning_ = new ScanningViewController(ModuleType::similarPhotos, pages_);
    pages_->addWidget(scanning_);
    scanning_->stopConfirmed = [this] { manager_->stopScanning(); };
    scanning_->isDriverStopping = [this] { return manager_->stopRequested(); };

    result_ = new PhotoResultView(manager_, pages_);
    pages_->addWidget(result_);
    goesBack(result_->backButton());
    result_->removeConfirmed = [this] { startRemoval(); };

    QPushButton* emptyBack = nullptr;
    empty_ = messagePage(pages_, QStringLiteral("empty"), loc("No similar photos were found."),
                         &emptyBack, loc("Back"));
    empty_->setObjectName(QStringLiteral("emptyResult"));
    goesBack(emptyBack);
    pages_->addWidget(empty_);
    // The pages of a scan that could not look at everything: a title, the reason under it.
    const auto problemPage = [this](const QString& icon, const QString& name, QLabel** title,
                                    QLabel** detail) {
        QPushButton* back = nullptr;
        QWidget* page = messagePage(pages_, icon, {}, &back, loc("Back"));
        page->setObjectName(name);
        *title = page->findChild<QLabel*>(QStringLiteral("pageTitle"));
        (*title)->setWordWrap(true);
        // A sentence with a folder's path in it keeps clear of the window's edges.
        *detail = wrappedLabel({}, styles::subtitle() + QStringLiteral("padding: 0 90px;"), page);
        (*detail)->setObjectName(QStringLiteral("pageDetail"));
        (*detail)->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* layout = static_cast<QVBoxLayout*>(page->layout());
        layout->insertWidget(layout->indexOf(*title) + 1, *detail);
        goesBack(back);
        pages_->addWidget(page);
        return page;
    };
    noAccess_ = problemPage(QStringLiteral("lock"), QStringLiteral("noAccessResult"),
                            &noAccessTitle_, &noAccessDetail_);
    failed_ = problemPage(QStringLiteral("warning"), QStringLiteral("failedResult"), &failedTitle_,
                          &failedDetail_);
    failedTitle_->setText(loc("The scan could not be completed."));
    removing_ =
        messagePage(pages_, QStringLiteral("leftList_similar"), loc("Removing..."), nullptr, {});
    pages_->addWidget(removing_);
    finished_ = new RemoveFinishedView(pages_);
    pages_->addWidget(finished_);
    connect(finished_->doneButton(), &QPushButton::clicked, this,
            &SimilarPhotosResultViewController::showResults);
    goesBack(finished_->newScanButton());
}

SimilarPhotosResultViewController::~SimilarPhotosResultViewController() {
    observer_->detach();
    stopWork();
}

QWidget* SimilarPhotosResultViewController::currentPage() const { return pages_->currentWidget(); }

bool SimilarPhotosResultViewController::isBusy() const {
    return state_ == State::scanning || state_ == State::removing;
}

bool SimilarPhotosResultViewController::hasResults() const {
    return !manager_->dupImages().empty();
}

void SimilarPhotosResultViewController::dropResults() {
    result_->setGroups({});
    manager_->removeDupimagesArray();
}

void SimilarPhotosResultViewController::stopWork() { manager_->stopAndWait(); }

void SimilarPhotosResultViewController::startScan(const std::vector<std::string>& paths) {
    state_ = State::scanning;
    result_->setGroups({});
    observer_->reset();
    pages_->setCurrentWidget(scanning_);
    scanning_->startScanning();
    usage::process(analytics::module::similar, analytics::action::scanPage, {""});
    scanStartedAt_ = std::chrono::steady_clock::now();
    if (setListEnabled) setListEnabled(false);
    manager_->setScanRoots(paths);
    manager_->startScanning();
}

void SimilarPhotosResultViewController::onProgress(double ratio, long long total,
                                                   const std::string& path) {
    if (state_ != State::scanning) return;
    scanning_->scanProgress(ratio);
    scanning_->setScannedCount(total);
    scanning_->setSimilarFound(manager_->dupFileCount());
    if (!path.empty()) scanning_->scaningPath(path);
}

void SimilarPhotosResultViewController::onScanEnded(const photos::ScanImagesOutcome& outcome) {
    if (state_ != State::scanning) return;
    if (outcome.stopped) scanning_->markStopped();
    scanning_->scanFinished();
    std::uint64_t found = 0;
    for (const auto& group : manager_->dupImages())
        found += static_cast<std::uint64_t>(std::max<std::int64_t>(group->groupSize, 0));
    usage::process(
        analytics::module::similar, analytics::action::scanEnd,
        analytics::labels::scanEnd(usage::secondsSince(scanStartedAt_), found, outcome.stopped));
    showResults();

    // Nothing found and a reason why: the reason's page instead of "nothing similar". Groups
    // found stay on screen, with the reason over them.
    const bool nothingFound = pages_->currentWidget() == empty_;
    if (outcome.failed) {
        const QString reason =
            qs(photos::scanFailureText(outcome, displayPath(outcome.failedRoot).toStdString()));
        if (nothingFound) {
            failedDetail_->setText(reason);
            pages_->setCurrentWidget(failed_);
        } else {
            showAlert(window(), loc("The scan could not be completed."), loc("OK"), {}, reason);
        }
        return;
    }
    if (outcome.unreadableRoots.empty()) return;
    QStringList folders;
    for (const auto& root : outcome.unreadableRoots) folders << displayPath(root);
    if (nothingFound) {
        noAccessTitle_->setText(folders.size() == 1 ? loc("Orvane cannot open this folder.")
                                                    : loc("Orvane cannot open these folders."));
        noAccessDetail_->setText(
            folders.join(QLatin1Char('\n')) + QStringLiteral("\n\n") +
            (folders.size() == 1
                 ? loc("Make sure you are allowed to read it, then scan again.")
                 : loc("Make sure you are allowed to read them, then scan again.")));
        pages_->setCurrentWidget(noAccess_);
    } else {
        showAlert(window(),
                  locFormat("Orvane cannot open “%@”, so the photos in it were not compared.",
                            {folders.join(QStringLiteral("”, “"))}),
                  loc("OK"));
    }
}

void SimilarPhotosResultViewController::showResults() {
    state_ = State::results;
    if (setListEnabled) setListEnabled(true);
    auto groups = manager_->dupImages();
    if (groups.empty()) {
        result_->setGroups({});
        pages_->setCurrentWidget(empty_);
        return;
    }
    result_->setGroups(std::move(groups));
    pages_->setCurrentWidget(result_);
}

void SimilarPhotosResultViewController::startRemoval() {
    if (state_ != State::results) return;
    switch (result_->mode()) {
        case PhotoResultView::Mode::trash:
            manager_->setRemoveType(ScanImagesManager::toTrash);
            break;
        case PhotoResultView::Mode::deleteForever:
            manager_->setRemoveType(ScanImagesManager::deleteForever);
            break;
        case PhotoResultView::Mode::moveToFolder:
            manager_->setRemoveType(ScanImagesManager::moveToFolder, result_->moveFolder());
            break;
    }
    // From here until the run ends only the removal touches the records.
    auto groups = result_->groups();
    removingItems_.clear();
    for (const auto& g : groups)
        for (const auto& item : g->dupImageItems)
            if (item->isSelect) removingItems_.push_back(item);
    removedBefore_ = manager_->removeImagesSuccessCount();
    removedSizeBefore_ = manager_->removeImagesSuccessSize();
    std::uint64_t selectedBytes = 0;
    for (const auto& item : removingItems_)
        selectedBytes += static_cast<std::uint64_t>(std::max<std::int64_t>(item->imageSize, 0));
    const std::string_view method =
        result_->mode() == PhotoResultView::Mode::trash          ? analytics::label::trash
        : result_->mode() == PhotoResultView::Mode::moveToFolder ? analytics::label::move
                                                                 : analytics::label::direct;
    usage::operational(analytics::module::similar, analytics::action::removalMethod,
                       {std::string(method)});
    usage::process(
        analytics::module::similar, analytics::action::removeStart,
        {std::to_string(removingItems_.size()), analytics::labels::megabytes(selectedBytes),
         std::string(analytics::label::image)});
    removeStartedAt_ = std::chrono::steady_clock::now();
    result_->setGroups({});
    state_ = State::removing;
    pages_->setCurrentWidget(removing_);
    if (setListEnabled) setListEnabled(false);
    sheet_ =
        RemovingProgressWindowController::openOver(window(), [this] { manager_->stopRemove(); });
    manager_->removeDuplicatesImages(std::move(groups));
}

void SimilarPhotosResultViewController::onRemoveProgress(double fraction) {
    if (sheet_) sheet_->cleanProgress(fraction, manager_->removeImagesSuccessCount());
}

void SimilarPhotosResultViewController::closeSheet() {
    if (sheet_) std::exchange(sheet_, nullptr)->finish();
}

void SimilarPhotosResultViewController::onRemoveEnded(bool stopped) {
    if (state_ != State::removing) return;
    closeSheet();
    std::vector<RemoveFinishedView::Failure> failures;
    for (const auto& item : removingItems_)
        if (item->isRemoveFailed)
            failures.push_back({item->imagePath, item->removeError.value_or("")});
    removingItems_.clear();
    const auto removedCount = manager_->removeImagesSuccessCount() - removedBefore_;
    const auto removedBytes =
        static_cast<std::uint64_t>(manager_->removeImagesSuccessSize() - removedSizeBefore_);
    usage::process(
        analytics::module::similar, analytics::action::removeEnd,
        analytics::labels::removeEnd(static_cast<std::size_t>(removedCount), failures.size(),
                                     removedBytes, usage::secondsSince(removeStartedAt_)));
    finished_->showResult(
        manager_->removeImagesSuccessCount() - removedBefore_,
        static_cast<std::uint64_t>(manager_->removeImagesSuccessSize() - removedSizeBefore_),
        stopped, failures);
    state_ = State::removeFinished;
    pages_->setCurrentWidget(finished_);
    if (setListEnabled) setListEnabled(true);
}

}  // namespace orvane::app
