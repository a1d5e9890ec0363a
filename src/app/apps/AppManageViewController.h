#pragma once

#include <atomic>
#include <chrono>
#include <memory>

#include "app/common/LeaveQuestion.h"
#include "app/shell/ModuleBaseViewController.h"
#include "core/apps/AppCleaningLog.h"
#include "core/apps/AppManageCleanType.h"
#include "core/apps/AppModel.h"
#include "core/apps/AptRemovalPlan.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;

namespace orvane::apps {
class AppManager;
}

namespace orvane::app {

class AppIcons;
class AppManageObserver;
class AppManageResultViewController;
class AppRemovalConfirmation;
class AppCleaningLogDialog;

// The app-management module: a start screen, the scan with its per-application progress, and
// the list of applications and leftovers. The driver is the program's manager unless a test
// hands in its own.
class AppManageViewController : public ModuleBaseViewController {
    Q_OBJECT
public:
    enum class Page { start, scanning, results, managing, finished };

    explicit AppManageViewController(apps::AppManager* manager = nullptr,
                                     QWidget* parent = nullptr);
    ~AppManageViewController() override;

    // What the start screen's button does: one pass over the installed applications.
    void startScan();
    // Ends the pass at the next application; what was scanned so far is shown.
    void stopScan();

    // The confirmation for removing what is ticked in the list on show, given what apt said it
    // would do with the ticked Debian packages; nothing when nothing is ticked. The caller
    // shows it.
    AppRemovalConfirmation* confirmRemoval(bool residual, const apps::AptRemovalPlan& plan);
    // Asks, then removes. Returns at once. With Debian packages ticked, apt is asked first on
    // the module's worker (resolving can take a while) and the managing page says so; its
    // Cancel drops the question. The confirmation opens once apt answered.
    void removeSelected(bool residual);
    // Whether apt is being asked about a removal right now.
    bool isAskingApt() const { return aptStop_ != nullptr; }
    // Starts the run without asking (after a confirmation).
    void startRemoval(bool residual);
    // Updates the apps ticked on the update tab.
    void startUpdate();
    // Asks the stores again for the update tab.
    void checkUpdates();
    // The managing page's Cancel: asks "Are you sure you want to proceed?" first unless told
    // not to; a run stops at its next item or app.
    void cancelRun(bool ask = true);
    AppCleaningLogDialog* cleaningLog();

    apps::AppManageCleanType runType() const { return runType_; }
    const std::vector<apps::AppCleaningLog>& lastLogs() const { return logs_; }
    QLabel* managingTitle() const { return managingTitle_; }
    QLabel* managingCurrent() const { return managingCurrent_; }
    QProgressBar* managingProgress() const { return managingProgress_; }
    QPushButton* managingCancel() const { return managingCancel_; }
    QLabel* finishedTitle() const { return finishedTitle_; }
    QLabel* finishedSummary() const { return finishedSummary_; }
    QPushButton* cleaningLogButton() const { return logButton_; }
    QPushButton* moreButton() const { return more_; }

    Page page() const { return page_; }
    apps::AppManager& manager() const { return *manager_; }
    QPushButton* scanButton() const { return scanButton_; }
    QPushButton* stopButton() const { return stop_; }
    QProgressBar* scanProgress() const { return progress_; }
    QLabel* scanCount() const { return count_; }
    QLabel* scanCurrent() const { return current_; }
    QLabel* scanNote() const { return note_; }
    AppManageResultViewController* resultView() const { return result_; }

    // Leaving the lists of a scan (or what a run left of them) drops them: the user is asked
    // first unless they are empty. Work in flight is never left.
    void backToHome(std::function<void(bool)> completion) override;
    bool isShouldCloseWindow() override;
    void applicationWillTerminate() override;

private:
    friend class AppManageObserver;
    void showPage(Page page);
    void didStart();
    void didProgress(int done, int total);
    void didScanApp(const apps::AppModelPtr& app);
    void didFinish();
    void didStartCleaningApp(const apps::AppModelPtr& app);
    void didFinishCleaningFile();
    void didFinishCleaning(std::vector<apps::AppCleaningLog> logs);
    void didCheckUpdates(const std::vector<apps::AppModelPtr>& apps, const std::string& error);
    void didStartUpdatingApp(const apps::AppModelPtr& app);
    void didUpdateAppProgress(const apps::AppModelPtr& app, int percent);
    void didUpdateApp(int current, int total);
    void didFinishUpdate(int success, int total);
    void showManaging(apps::AppManageCleanType type, int total);
    void didPlanRemoval(bool residual, const apps::AptRemovalPlan& plan);
    void stopAskingApt();

    apps::AppManager* manager_;
    std::unique_ptr<AppIcons> icons_;
    std::shared_ptr<AppManageObserver> observer_;
    Page page_ = Page::start;
    bool stopping_ = false;
    LeaveQuestion leaveQuestion_;
    std::chrono::steady_clock::time_point scanStartedAt_{};
    QStackedWidget* stack_ = nullptr;
    QPushButton* scanButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* current_ = nullptr;
    QLabel* currentIcon_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* stop_ = nullptr;
    AppManageResultViewController* result_ = nullptr;

    apps::AppManageCleanType runType_ = apps::AppManageCleanType::appUninsatll;
    bool runStopping_ = false;
    int cleanTotalCount_ = 0, cleanedCount_ = 0;
    std::vector<apps::AppCleaningLog> logs_;
    std::vector<apps::AppModelPtr> tickedWhole_;
    // Set while apt is asked about a removal; setting what it points to stops the question.
    std::shared_ptr<std::atomic<bool>> aptStop_;
    QLabel* managingTitle_ = nullptr;
    QLabel* managingCurrent_ = nullptr;
    QProgressBar* managingProgress_ = nullptr;
    QPushButton* managingCancel_ = nullptr;
    QLabel* finishedTitle_ = nullptr;
    QLabel* finishedSummary_ = nullptr;
    QPushButton* logButton_ = nullptr;
    QPushButton* more_ = nullptr;
};

}  // namespace orvane::app
