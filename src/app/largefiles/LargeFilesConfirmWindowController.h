#pragma once

#include <QDialog>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/common/FolderChooser.h"
#include "core/files/RemoveType.h"
#include "core/largefiles/LargeFileInfo.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace orvane::app {

// "Confirm Your Selection": the files about to go, the way they go, and "Remove Now". The
// method menu offers the Trash first (it can be undone), a folder, and permanent deletion,
// which has its own, sterner question.
class LargeFilesConfirmWindowController : public QDialog {
    Q_OBJECT
public:
    enum MethodItem { trashItem = 0, folderItem = 1, foreverItem = 2 };

    LargeFilesConfirmWindowController(std::vector<largefiles::LargeFileInfo> rows,
                                      QWidget* parent = nullptr);

    // How the folder is picked; tests put in their own.
    FolderChooser folderChooser = chooseFoldersWithDialog;
    // Receives the chosen method once the user confirmed the question.
    std::function<void(files::RemoveType)> onRemove;

    const std::vector<largefiles::LargeFileInfo>& rows() const { return rows_; }
    QComboBox* methodMenu() const { return method_; }
    QPushButton* removeNowButton() const { return removeNow_; }
    // The confirmation question for the chosen method, shown above the buttons.
    QLabel* questionLabel() const { return question_; }
    QTreeWidget* list() const { return list_; }
    // The method the menu stands on now; nothing while "Remove to the Folder..." has no folder.
    std::optional<files::RemoveType> currentType() const;
    // The question asked before removal for a method.
    static QString confirmationFor(const files::RemoveType& type);

private:
    void methodChosen(int index);
    void removeNowClicked();
    void refreshQuestion();

    std::vector<largefiles::LargeFileInfo> rows_;
    QComboBox* method_ = nullptr;
    QPushButton* removeNow_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* question_ = nullptr;
    std::string folder_;
    int lastIndex_ = trashItem;
};

}  // namespace orvane::app
