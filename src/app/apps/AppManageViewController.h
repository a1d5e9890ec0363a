#pragma once

#include <memory>

#include "app/shell/ModuleBaseViewController.h"
#include "core/apps/AppModel.h"

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

// The app-management module: a start screen, the scan with its per-application progress, and
// the list of applications and leftovers. The driver is the program's manager unless a test
// hands in its own.
class AppManageViewController : public ModuleBaseViewController {
    Q_OBJECT
public:
    enum class Page { start, scanning, results };

    explicit AppManageViewController(apps::AppManager* manager = nullptr,
                                     QWidget* parent = nullptr);
    ~AppManageViewController() override;

    // What the start screen's button does: one pass over the installed applications.
    void startScan();
    // Ends the pass at the next application; what was scanned so far is shown.
    void stopScan();

    Page page() const { return page_; }
    apps::AppManager& manager() const { return *manager_; }
    QPushButton* scanButton() const { return scanButton_; }
    QPushButton* stopButton() const { return stop_; }
    QProgressBar* scanProgress() const { return progress_; }
    QLabel* scanCount() const { return count_; }
    QLabel* scanCurrent() const { return current_; }
    QLabel* scanNote() const { return note_; }
    AppManageResultViewController* resultView() const { return result_; }

    bool isShouldCloseWindow() override;
    void applicationWillTerminate() override;

private:
    friend class AppManageObserver;
    void showPage(Page page);
    void didStart();
    void didProgress(int done, int total);
    void didScanApp(const apps::AppModelPtr& app);
    void didFinish();

    apps::AppManager* manager_;
    std::unique_ptr<AppIcons> icons_;
    std::shared_ptr<AppManageObserver> observer_;
    Page page_ = Page::start;
    bool stopping_ = false;
    QStackedWidget* stack_ = nullptr;
    QPushButton* scanButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* count_ = nullptr;
    QLabel* current_ = nullptr;
    QLabel* currentIcon_ = nullptr;
    QLabel* note_ = nullptr;
    QPushButton* stop_ = nullptr;
    AppManageResultViewController* result_ = nullptr;
};

}  // namespace orvane::app
