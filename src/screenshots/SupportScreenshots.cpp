#include <QDate>
#include <QEventLoop>
#include <QTimer>
#include <fstream>

#include "app/history/HistoryWindowController.h"
#include "app/shell/MainWindow.h"
#include "app/shell/SupportActions.h"
#include "app/support/FeedbackWindowController.h"
#include "app/support/UpdateWindowController.h"
#include "core/analytics/EventLabels.h"
#include "core/analytics/EventRecorder.h"
#include "core/analytics/UsageEvent.h"
#include "screenshots/ScreenshotSteps.h"

namespace orvane::app {

namespace {
// A month of cleaning as a person might have done it, written where the recorder keeps events.
void writeSampleHistory() {
    std::ofstream out(analytics::EventRecorder::shared().path(), std::ios::app);
    const QDate today = QDate::currentDate();
    struct Run {
        int daysAgo;
        const char* module;
        std::size_t files;
        std::uint64_t bytes;
    };
    const Run runs[] = {
        {27, "Cleanup", 1840, 1'240'000'000}, {21, "DuplicateFile", 36, 820'000'000},
        {16, "Bigfile", 3, 4'700'000'000},    {12, "Cleanup", 902, 610'000'000},
        {9, "Similar", 58, 310'000'000},      {5, "DuplicateFile", 12, 150'000'000},
        {2, "Bigfile", 1, 2'100'000'000},     {0, "Cleanup", 420, 380'000'000}};
    for (const Run& run : runs) {
        analytics::UsageEvent event;
        event.time = static_cast<double>(
            today.addDays(-run.daysAgo).startOfDay().addSecs(15 * 3600).toSecsSinceEpoch());
        event.category = "Process";
        event.module = run.module;
        event.action = "RemoveEnd";
        event.labels =
            analytics::labels::removeEnd(run.files, run.daysAgo == 16 ? 1 : 0, run.bytes, 3.2);
        out << event.toJsonLine();
    }
}

void waitForLoad(HistoryWindowController* history) {
    QEventLoop loop;
    QObject::connect(history, &HistoryWindowController::loaded, &loop, &QEventLoop::quit);
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    if (history->isLoading()) loop.exec();
}
}  // namespace

void runSupportScreenshots(ScreenshotWriter& out, MainWindow& window) {
    writeSampleHistory();
    HistoryWindowController* history = showHistory(&window);
    history->resize(900, 680);
    waitForLoad(history);
    out.save(history, QStringLiteral("30-history-month"));
    history->setRange(HistoryWindowController::Range::lastYear);
    waitForLoad(history);
    out.save(history, QStringLiteral("30-history-year"));
    history->close();

    UpdateWindowController update(&window);
    update.setWindowFlag(Qt::Window);
    update.showAvailable(
        QStringLiteral("0.2.0"), QStringLiteral(ORVANE_VERSION),
        QStringLiteral("- Duplicate scans of large photo libraries are twice as fast.\n"
                       "- The History window shows a year at a glance.\n"
                       "- Fixes a rare hang when a network folder disappears."),
        {});
    out.save(&update, QStringLiteral("31-update-available"));
    update.showAvailable(
        QStringLiteral("0.2.0"), QStringLiteral(ORVANE_VERSION), {},
        QStringLiteral(
            "Orvane was installed from the package \"orvane\". Update it with your "
            "system's software updater or with: sudo apt install --only-upgrade orvane"));
    out.save(&update, QStringLiteral("31-update-packaged"));
    update.showUpToDate(QStringLiteral(ORVANE_VERSION));
    out.save(&update, QStringLiteral("31-update-current"));
    update.showFailed(QStringLiteral(
        "the update server could not be reached (Could not resolve host: orvane.com)"));
    out.save(&update, QStringLiteral("31-update-failed"));
    update.close();

    loadApplicationInfo();
    FeedbackManager::showFeedback(&window);
    if (FeedbackWindowController* feedback = FeedbackManager::window()) {
        feedback->setMessage(QStringLiteral(
            "The duplicate scan of my photo folder stopped at 40% and did not go on."));
        feedback->setEmail(QStringLiteral("me@example.org"));
        out.save(feedback, QStringLiteral("32-feedback"));
        feedback->setMessage({});
        feedback->send();  // empty: shows what to fix, opens nothing
        out.save(feedback, QStringLiteral("32-feedback-empty"));
        feedback->close();
    }
}

}  // namespace orvane::app
