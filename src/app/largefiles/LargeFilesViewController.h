#pragma once

#include <QPointer>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "app/shell/ModuleBaseViewController.h"
#include "core/files/FileInfo.h"
#include "core/files/RemoveType.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;

namespace orvane::largefiles {
class LargeFilesManager;
}

namespace orvane::app {

class ScanningViewController;
class LargeFilesResultViewController;
class LargeFilesConfirmWindowController;
class LargeFilesObserver;
class RemoveFinishedView;

// The large-file module: a start screen that scans the home folder, the shared scanning screen,
// the results, the removal run and its report. The driver is the application's manager unless
// a test hands in its own.
class LargeFilesViewController : public ModuleBaseViewController {
    Q_OBJECT
public:
    enum class Page { start, scanning, results, removing, finished };

    explicit LargeFilesViewController(largefiles::LargeFilesManager* manager = nullptr,
                                      QWidget* parent = nullptr);
    ~LargeFilesViewController() override;

    // Scans the home folder (what the start screen's button does).
    void startScan();
    // Opens "Confirm Your Selection" for the selected files.
    LargeFilesConfirmWindowController* confirmRemoval();
    void stopRemoval();

    Page page() const { return page_; }
    largefiles::LargeFilesManager& manager() const { return *manager_; }
    ScanningViewController* scanningView() const { return scanning_; }
    LargeFilesResultViewController* resultView() const { return result_; }
    QPushButton* scanButton() const { return scanButton_; }
    RemoveFinishedView* finishedView() const { return finished_; }
    QProgressBar* removeProgress() const { return removeProgress_; }

    void backToHome(std::function<void(bool)> completion) override;
    bool isShouldCloseWindow() override;
    void applicationWillTerminate() override;

private:
    friend class LargeFilesObserver;
    void showPage(Page page);
    void scanDidFinish();
    void removalDidStart();
    void removalProgress(double value, long long count);
    void removalDidFinish();
    void removalRefused(const QString& message);

    largefiles::LargeFilesManager* manager_;
    std::shared_ptr<LargeFilesObserver> observer_;
    Page page_ = Page::start;
    bool scanCancelled_ = false;
    QStackedWidget* stack_ = nullptr;
    QPushButton* scanButton_ = nullptr;
    ScanningViewController* scanning_ = nullptr;
    LargeFilesResultViewController* result_ = nullptr;
    QProgressBar* removeProgress_ = nullptr;
    QLabel* removeLabel_ = nullptr;
    RemoveFinishedView* finished_ = nullptr;
    long long removeTotal_ = 0;
    std::chrono::steady_clock::time_point removeStartedAt_{};
    // The files of the running (or last) removal, for its report.
    std::vector<std::shared_ptr<files::FileInfo>> removing_;
};

}  // namespace orvane::app
