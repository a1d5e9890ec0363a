#pragma once

#include <QPointer>
#include <QWidget>

#include <array>
#include <chrono>
#include <memory>
#include <vector>

#include "app/shell/ModuleBaseViewController.h"
#include "core/junk/JunkSubcategory.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTimer;
class QTreeWidget;

namespace orvane::junk {
class CleanManager;
}

namespace orvane::app {

class JunkScanObserver;
class JunkCleanObserver;
class CleanUpResultNewViewController;
class CleanupCleanViewController;
class CleanUpResultViewController;

// One kind of junk on the scanning screen: its name, what was found so far and whether it is
// being scanned now.
class JunkKindRow : public QWidget {
    Q_OBJECT
public:
    enum class Status { waiting, scanning, done };
    JunkKindRow(const QString& name, const QString& icon, QWidget* parent = nullptr);
    void setFound(long long items, std::int64_t bytes);
    void setStatus(Status status);
    Status status() const { return status_; }
    QLabel* sizeLabel() const { return size_; }
    QLabel* statusLabel() const { return state_; }

private:
    Status status_ = Status::waiting;
    QLabel* size_ = nullptr;
    QLabel* state_ = nullptr;
};

// The junk module: a home screen with the scan button, the scanning screen with the five kinds
// growing as items arrive, the results to tick what goes, the cleaning screen and the result of
// the cleaning. The driver is the application's manager unless a test hands in its own.
class JunkViewController : public ModuleBaseViewController {
    Q_OBJECT
public:
    enum class Page { home, scanning, summary, cleaning, finished };
    static constexpr int kKinds = 5;

    explicit JunkViewController(junk::CleanManager* manager = nullptr, QWidget* parent = nullptr);
    ~JunkViewController() override;

    void startScan();
    void stopScan();
    // Cleans what is ticked on the results screen.
    void startClean();
    void stopClean();

    Page page() const { return page_; }
    junk::CleanManager& manager() const { return *manager_; }
    QPushButton* scanButton() const { return scanButton_; }
    QPushButton* stopButton() const { return stopButton_; }
    QPushButton* rescanButton() const { return rescanButton_; }
    QProgressBar* progressBar() const { return progress_; }
    JunkKindRow* kindRow(int index) const { return rows_[static_cast<std::size_t>(index)]; }
    QLabel* summaryTitle() const { return summaryTitle_; }
    QLabel* summaryDetail() const { return summaryDetail_; }
    CleanUpResultNewViewController* resultsScreen() const { return results_; }
    CleanupCleanViewController* cleaningScreen() const { return cleaning_; }
    CleanUpResultViewController* finishedScreen() const { return finished_; }
    const std::vector<junk::JunkCategoryPtr>& categories() const { return categories_; }
    bool wasStopped() const { return stopped_; }

    bool isShouldCloseWindow() override;
    void backToHome(std::function<void(bool)> completion) override;
    void applicationWillTerminate() override;

private:
    friend class JunkScanObserver;
    friend class JunkCleanObserver;
    void cleanEnded(bool stopped);
    void showPage(Page page);
    void itemFound(const junk::CleanBaseModelPtr& model, const junk::CleanBaseItemPtr& item,
                   double progress);
    void progressChanged(double progress);
    void scanEnded(bool stopped);
    void fillSummary();
    void refreshRows();
    int rowFor(std::uint32_t junkType) const;

    junk::CleanManager* manager_;
    std::shared_ptr<JunkScanObserver> observer_;
    std::shared_ptr<JunkCleanObserver> cleanObserver_;
    Page page_ = Page::home;
    bool stopped_ = false;
    std::chrono::steady_clock::time_point scanStartedAt_{};
    std::chrono::steady_clock::time_point cleanStartedAt_{};
    std::vector<junk::JunkCategoryPtr> categories_;
    std::array<long long, kKinds> counts_{};
    std::array<std::int64_t, kKinds> bytes_{};
    QStackedWidget* stack_ = nullptr;
    QPushButton* scanButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QPushButton* rescanButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* scanningTitle_ = nullptr;
    QLabel* currentPath_ = nullptr;
    QString lastPath_;
    // Items can arrive by the thousand; the rows are redrawn a few times a second, not per item.
    QTimer* refresh_ = nullptr;
    std::array<JunkKindRow*, kKinds> rows_{};
    QLabel* summaryTitle_ = nullptr;
    QLabel* summaryDetail_ = nullptr;
    CleanUpResultNewViewController* results_ = nullptr;
    CleanupCleanViewController* cleaning_ = nullptr;
    CleanUpResultViewController* finished_ = nullptr;
};

}  // namespace orvane::app
