#pragma once

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "app/common/FolderChooser.h"

class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace orvane::app {

class MultPathsSelectViewController;

// Where to scan: one target from a short list (home, Pictures shown as "Photos Library", the
// folder picked last time) or any folder through the chooser; or several targets on the
// multi-folder screen, which opens in this screen's place.
class SinglePathSelectViewController : public QWidget {
    Q_OBJECT
public:
    SinglePathSelectViewController(const QString& title, const QString& subtitle,
                                   QWidget* parent = nullptr);

    // Receives the targets, in order, when the user starts the scan.
    std::function<void(const std::vector<std::string>&)> pathSelectBlock;

    std::string selectPath;
    std::vector<std::string> pathItems;
    bool isShowDropDownBox = false;

    FolderChooser chooser = chooseFoldersWithDialog;

    // Rebuilds the drop-down from the well-known places and the remembered folder, and shows the
    // single-target page again.
    void reset();
    // Picks entry `index` of the drop-down.
    void pickEntry(int index);
    // The "Choose Folder" button.
    void chooseFolder();
    // "Scan several folders": picks a second folder and opens the multi-folder screen.
    void switchToMultiple();
    void scan();

    QComboBox* dropDown() const { return combo_; }
    QPushButton* scanButton() const { return scanButton_; }
    QLabel* selectedLabel() const { return selected_; }
    // A small note at the foot of the page (what a scan leaves out); empty hides it.
    void setFootnote(const QString& text);
    QLabel* footnoteLabel() const { return footnote_; }
    MultPathsSelectViewController* multiView() const { return multi_; }
    bool isShowingMultiple() const;

private:
    void rebuildDropDown(int selectIndex);
    void refreshScanButton();
    QString entryText(int index) const;

    QStackedWidget* pages_ = nullptr;
    QComboBox* combo_ = nullptr;
    QLabel* selected_ = nullptr;
    QLabel* warning_ = nullptr;
    QLabel* footnote_ = nullptr;
    QPushButton* scanButton_ = nullptr;
    QPushButton* chooseButton_ = nullptr;
    QPushButton* multipleButton_ = nullptr;
    MultPathsSelectViewController* multi_ = nullptr;
    bool rebuilding_ = false;
};

}  // namespace orvane::app
