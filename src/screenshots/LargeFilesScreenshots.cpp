// The large-file module's part of the screenshot tour: a small home with big sparse files of
// every size, age and kind, scanned, selected, confirmed and removed for real.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>

#include <ctime>
#include <filesystem>

#include "app/duplicates/RemoveFinishedView.h"
#include "app/largefiles/LargeFilesConfirmWindowController.h"
#include "app/largefiles/LargeFilesResultViewController.h"
#include "app/largefiles/LargeFilesViewController.h"
#include "app/shell/LeftListViewController.h"
#include "app/shell/MainViewController.h"
#include "app/shell/MainWindow.h"
#include "core/largefiles/LargeFilesManager.h"
#include "kit/Paths.h"
#include "screenshots/ScreenshotSteps.h"

namespace orvane::app {

namespace {

void sparse(const std::string& path, std::uint64_t size, double ageDays) {
    std::filesystem::create_directories(kit::parentPath(path));
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd < 0) return;
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {}
    ::close(fd);
    const double when = static_cast<double>(std::time(nullptr)) - ageDays * 86'400;
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(when);
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

bool waitFor(ScreenshotWriter& out, const std::function<bool()>& done, int ms = 20'000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) out.settleEvents(20);
    return done();
}

}  // namespace

void runLargeFilesScreenshots(ScreenshotWriter& out, MainWindow& window) {
    const std::string home = kit::customHomeDirectory();
    sparse(home + "/Movies/Holiday 2019 – full cut.mkv", 6'200'000'000, 900);
    sparse(home + "/Movies/interview-raw.mov", 2'400'000'000, 40);
    sparse(home + "/Downloads/debian-12.5.0-amd64-DVD-1.iso", 3'900'000'000, 8);
    sparse(home + "/Downloads/dataset.zip", 740'000'000, 3);
    sparse(home + "/Music/Live at the Paradiso.flac", 612'000'000, 200);
    sparse(home + "/Pictures/panorama.tiff", 184'000'000, 0.01);
    sparse(home + "/Documents/Annual report scans.pdf", 96'000'000, 12);
    sparse(home + "/Documents/thesis-backup.docx", 24'000'000, 400);
    sparse(home + "/Documents/small-note.txt", 2'000, 1);

    MainViewController* main = window.mainView();
    main->displayViewWithType(ModuleType::largeFiles);
    main->leftList()->selectType(ModuleType::largeFiles);
    auto* screen = qobject_cast<LargeFilesViewController*>(main->screenFor(ModuleType::largeFiles));
    if (!screen) {
        out.save(&window, QStringLiteral("30-largefiles-missing"));
        return;
    }
    out.save(&window, QStringLiteral("30-largefiles-start"));

    screen->scanButton()->click();
    out.save(&window, QStringLiteral("31-largefiles-scanning"));
    waitFor(out, [&] { return screen->page() == LargeFilesViewController::Page::results; });

    auto* result = screen->resultView();
    out.save(&window, QStringLiteral("32-largefiles-by-size"));
    result->showList(LeftLargeDataListStyle::byTime);
    out.save(&window, QStringLiteral("33-largefiles-by-time"));
    result->showList(LeftLargeDataListStyle::byType);
    result->chooseCategory(4);  // video
    result->sortByName();
    out.save(&window, QStringLiteral("34-largefiles-video-by-name"));

    result->showList(LeftLargeDataListStyle::bySize);
    result->chooseCategory(0);
    auto* model = result->fileModel();
    for (int row : {1, 3, 5})
        if (row < model->rowCount())
            model->setData(model->index(row, LargeFilesTableModel::nameColumn), Qt::Checked,
                           Qt::CheckStateRole);
    out.save(&window, QStringLiteral("35-largefiles-selected"));

    auto* confirm = screen->confirmRemoval();
    if (!confirm) return;
    out.save(confirm, QStringLiteral("36-largefiles-confirm"));
    confirm->folderChooser = [home](QWidget*, bool) {
        return std::vector<std::string>{home + "/Documents"};
    };
    confirm->methodMenu()->setCurrentIndex(LargeFilesConfirmWindowController::folderItem);
    Q_EMIT confirm->methodMenu()->activated(LargeFilesConfirmWindowController::folderItem);
    out.save(confirm, QStringLiteral("37-largefiles-confirm-folder"));
    confirm->methodMenu()->setCurrentIndex(LargeFilesConfirmWindowController::foreverItem);
    confirm->removeNowButton()->click();
    out.saveAndCloseMessage(QStringLiteral("38-largefiles-confirm-forever-question"));

    // One selected file disappears before its turn, so the report has a failure to show.
    const auto selected = screen->manager().selectedFiles();
    if (!selected.empty()) ::unlink(selected.back()->path().c_str());
    confirm->methodMenu()->setCurrentIndex(LargeFilesConfirmWindowController::trashItem);
    confirm->removeNowButton()->click();
    if (QMessageBox* box = out.openMessage()) {
        for (QAbstractButton* b : box->buttons())
            if (box->buttonRole(b) == QMessageBox::AcceptRole) b->click();
    }
    waitFor(out, [&] { return screen->page() == LargeFilesViewController::Page::finished; });
    out.save(&window, QStringLiteral("39-largefiles-finished"));
    screen->finishedView()->doneButton()->click();
    out.save(&window, QStringLiteral("40-largefiles-after-removal"));
}

}  // namespace orvane::app
