#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/shell/ModuleBaseViewController.h"
#include "core/renamer/RenamerFileList.h"

class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace orvane::renamer {
class FileRenamer;
class RenameJournal;
}  // namespace orvane::renamer
namespace orvane::namer {
class NameService;
}

namespace orvane::app {

class FileDropView;
class NoticeStack;
class RenamerObserver;

// The AI renamer: add files (drop zone or chooser), ask the naming service for a name for each,
// edit the names, rename on disk, and undo the last renaming.
class AIRenamerViewController : public ModuleBaseViewController {
    Q_OBJECT
public:
    enum class Page { add, list, summary };
    enum Column { nameColumn = 0, stateColumn = 1, newNameColumn = 2 };

    // `serviceURL` overrides the configured service (tests); empty uses the configured one or
    // the built-in namer. `journalPath` likewise overrides the journal's place.
    explicit AIRenamerViewController(QWidget* parent = nullptr, std::string serviceURL = {},
                                     std::string journalPath = {});
    ~AIRenamerViewController() override;

    // What dropping or choosing files does.
    // `fromChooser` tells the usage events how the files came.
    void dragDrop(const std::vector<std::string>& filePathList, bool fromChooser = false);
    void startRenaming();
    void stopRenaming();
    void retry(int row);
    void applyNames();
    void undoLastRenaming();
    void backToAdd();

    Page page() const { return page_; }
    renamer::FileRenamer& renamer() const { return *renamer_; }
    QTreeWidget* list() const { return list_; }
    NoticeStack* notices() const { return notices_; }
    QComboBox* languageMenu() const { return language_; }
    QComboBox* orderMenu() const { return order_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* applyButton() const { return apply_; }
    QPushButton* retryButton() const { return retry_; }
    QPushButton* undoButton() const { return undo_; }
    QLabel* summaryTitle() const { return summaryTitle_; }
    QLabel* summaryCount() const { return summaryCount_; }
    QTreeWidget* failureList() const { return failures_; }
    QLabel* statusLine() const { return status_; }

    void backToHome(std::function<void(bool)> completion) override;
    bool isShouldCloseWindow() override;
    void applicationWillTerminate() override;

private:
    friend class RenamerObserver;
    void showPage(Page page);
    void chooseFiles();
    // The folder "Choose Files" opens in.
    static std::string chooserFolder();
    void refreshRow(std::size_t index);
    void reportResult(std::size_t index);
    void refreshList();
    void refreshButtons();
    void renamingFinished();
    void nameEdited(QTreeWidgetItem* item, int column);
    void settingsChanged();

    std::shared_ptr<renamer::FileRenamer> renamer_;
    std::shared_ptr<RenamerObserver> observer_;
    std::unique_ptr<namer::NameService> service_;
    std::unique_ptr<renamer::RenameJournal> journal_;
    std::string serviceURL_;
    renamer::RenamerFileList files_;
    Page page_ = Page::add;
    bool applying_ = false;
    bool refreshing_ = false;

    QStackedWidget* stack_ = nullptr;
    FileDropView* drop_ = nullptr;
    NoticeStack* notices_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QComboBox* language_ = nullptr;
    QComboBox* order_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* retry_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* addMore_ = nullptr;
    QPushButton* undo_ = nullptr;
    QPushButton* undoAfter_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* summaryTitle_ = nullptr;
    QLabel* summaryCount_ = nullptr;
    QTreeWidget* failures_ = nullptr;
};

}  // namespace orvane::app
