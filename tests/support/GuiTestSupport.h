#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

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
