#pragma once

#include <QMainWindow>

namespace orvane::app {

class MainViewController;

// The one window of the program. Closing it ends the program, after the user confirms.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    MainViewController* mainView() const { return mainView_; }

    // True once the user agreed to quit (or the module on show forbids nothing and no question
    // is needed any more).
    bool isShouldCloseWindow() const { return quitConfirmed_; }

    // Stops every module's background work; called once before the program ends.
    void prepareToTerminate();

    // Opens the preferences window (one for the whole run), or brings it forward.
    void showPreferences();
    QWidget* preferencesWindow() const { return preferences_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    MainViewController* mainView_ = nullptr;
    QWidget* preferences_ = nullptr;
    bool quitConfirmed_ = false;
    bool asking_ = false;
    bool terminated_ = false;
};

}  // namespace orvane::app
