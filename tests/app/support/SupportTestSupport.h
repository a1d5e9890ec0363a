#pragma once

#include <QApplication>
#include <QTest>
#include <functional>

namespace orvane::testing {

inline QApplication& supportApp() {
    static int argc = 1;
    static char name[] = "test_app_support";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

inline bool waitFor(const std::function<bool()>& done, int ms = 5000) {
    return QTest::qWaitFor(done, ms);
}

}  // namespace orvane::testing
