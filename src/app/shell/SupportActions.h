#pragma once

class QMainWindow;
class QMenu;
class QWidget;

namespace orvane::app {

class HistoryWindowController;

// The History, Check for Updates and Send Feedback entries of the main window's menu (History
// also on the tool bar).
void installSupportActions(QMainWindow* window, QMenu* menu);
// Opens the History window (one for the whole run), or brings it forward.
HistoryWindowController* showHistory(QWidget* window);

// Loads the application's information list from the program's resources and starts the silent
// update check; called once after the main window is up.
void startSupportServices(QWidget* window);
// Loads the information list only (the feedback window and the update check read it).
void loadApplicationInfo();

}  // namespace orvane::app
