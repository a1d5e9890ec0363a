#pragma once

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <chrono>
#include <functional>

namespace orvane::testing {

// The one application object of the test binary, made on first use on the main thread.
inline QApplication& guiApp() {
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* a = new QApplication(argc, argv);
        return a;
    }();
    return *app;
}

// Processes events until `done` holds or `ms` pass; returns done().
inline bool waitUntil(const std::function<bool()>& done, int ms = 5000) {
    return QTest::qWaitFor(done, ms);
}

// Shows a module's screen, starts its scan with the screen's own button and waits up to `ms`
// for the screen to reach `page` (its results or summary).
template <class Screen>
bool scanWithButton(Screen& screen, typename Screen::Page page, int ms = 20000) {
    screen.show();
    screen.scanButton()->click();
    return waitUntil([&] { return screen.page() == page; }, ms);
}

// The message box on show, if any.
inline QMessageBox* openMessageBox() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return box;
    return nullptr;
}

inline QMessageBox* waitForMessageBox(int ms = 3000) {
    QMessageBox* found = nullptr;
    waitUntil([&] { return (found = openMessageBox()) != nullptr; }, ms);
    return found;
}

// Closes every message box a case left open, so none outlives its fixture.
inline void rejectOpenMessageBoxes() {
    while (QMessageBox* box = openMessageBox()) box->reject();
}

// The entry labelled `text` of a menu button's menu, or null.
inline QAction* menuAction(QToolButton* button, const QString& text) {
    for (QAction* a : button->menu()->actions())
        if (a->text() == text) return a;
    return nullptr;
}

// Clicks the button labelled `text` on the open message box; false when there is none.
inline bool answerMessageBox(const QString& text) {
    QMessageBox* box = waitForMessageBox();
    if (!box) return false;
    for (QAbstractButton* b : box->buttons()) {
        if (b->text() == text) {
            b->click();
            QApplication::processEvents();
            return true;
        }
    }
    return false;
}

}  // namespace orvane::testing
