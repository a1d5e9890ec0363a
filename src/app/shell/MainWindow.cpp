#include "app/shell/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>

#include "app/common/Alerts.h"
#include "app/common/Text.h"
#include "app/preferences/LoginItemSync.h"
#include "app/preferences/PreferenceViewController.h"
#include "app/shell/MainViewController.h"
#include "app/shell/ModuleBaseViewController.h"
#include "app/shell/SupportActions.h"

namespace orvane::app {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Orvane"));
    mainView_ = new MainViewController(this);
    setCentralWidget(mainView_);
    setMinimumSize(900, 600);
    resize(1060, 700);
    setStyleSheet(QStringLiteral("QMainWindow { background: #ffffff; }"));

    QMenu* menu = menuBar()->addMenu(QStringLiteral("&Orvane"));
    QAction* preferences = menu->addAction(loc("Preferences..."));
    // QKeySequence::Preferences is empty on most Linux desktops; Ctrl+, is what people expect.
    preferences->setShortcut(QKeySequence(QStringLiteral("Ctrl+,")));
    preferences->setMenuRole(QAction::PreferencesRole);
    connect(preferences, &QAction::triggered, this, &MainWindow::showPreferences);
    installSupportActions(this, menu);
    menu->addSeparator();
    QAction* quit = menu->addAction(loc("Quit Orvane"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, &QWidget::close);
}

void MainWindow::showPreferences() {
    if (!preferences_) {
        PreferenceViewController::Services services;
        services.setLoginItem = setLaunchAtLogin;
        auto* window = new PreferenceViewController(std::move(services), this);
        window->setWindowFlag(Qt::Window);
        preferences_ = window;
    }
    preferences_->show();
    preferences_->raise();
    preferences_->activateWindow();
}

void MainWindow::prepareToTerminate() {
    if (terminated_) return;
    terminated_ = true;
    for (ModuleBaseViewController* screen : mainView_->screens())
        screen->applicationWillTerminate();
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
