#include "app/shell/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>

#include "app/common/Alerts.h"
#include "app/common/Text.h"
#include "app/shell/MainViewController.h"
#include "app/shell/ModuleBaseViewController.h"

namespace orvane::app {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Orvane"));
    mainView_ = new MainViewController(this);
    setCentralWidget(mainView_);
    setMinimumSize(900, 600);
    resize(1060, 700);
    setStyleSheet(QStringLiteral("QMainWindow { background: #ffffff; }"));
}

void MainWindow::prepareToTerminate() {
    if (terminated_) return;
    terminated_ = true;
    for (ModuleBaseViewController* screen : mainView_->screens()) screen->applicationWillTerminate();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (quitConfirmed_) {
        prepareToTerminate();
        event->accept();
        return;
    }
    event->ignore();
    if (asking_) return;
    if (ModuleBaseViewController* screen = mainView_->currentViewCtr()) {
        if (!screen->isShouldCloseWindow()) return;
    }
    asking_ = true;
    askQuestion(this, loc("Are you sure you want to exit the program?"), loc("Cancel"), loc("Yes"),
                [this](bool yes) {
                    asking_ = false;
                    if (!yes) return;
                    quitConfirmed_ = true;
                    close();
                    QApplication::quit();
                });
}

}  // namespace orvane::app
