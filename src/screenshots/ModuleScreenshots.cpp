#include <fcntl.h>
#include <unistd.h>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>

#include <climits>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/duplicates/DuplicatFilesViewController.h"
#include "app/duplicates/DuplicateResultModel.h"
#include "app/duplicates/DuplicateResultView.h"
#include "app/duplicates/RemoveFinishedView.h"
#include "app/duplicates/RemovingProgressWindowController.h"
#include "app/duplicates/ScanFileResultViewController.h"
#include "app/shell/LeftListViewController.h"
#include "app/shell/MainViewController.h"
#include "app/shell/MainWindow.h"
#include "core/files/RemoveType.h"
#include "screenshots/ScreenshotSteps.h"

namespace orvane::app {

namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(content);
}

QByteArray picture(int hue) {
    QImage image(320, 220, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 320, 220);
    g.setColorAt(0, QColor::fromHsv(hue, 120, 240));
    g.setColorAt(1, QColor::fromHsv((hue + 60) % 360, 200, 160));
    p.fillRect(image.rect(), g);
    p.setBrush(QColor(255, 255, 255, 180));
    p.drawEllipse(QPoint(110, 100), 50, 50);
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A chain of folders nested deeper than any path can name, as some backup tools leave behind:
// the scan passes over it and says so.
void makeTooDeepChain(const QString& root) {
    QDir().mkpath(root);
    const QByteArray segment(200, 'd');
    int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int depth = 0; fd >= 0 && depth * (segment.size() + 1) < PATH_MAX + 200; ++depth) {
        ::mkdirat(fd, segment.constData(), 0755);
        const int next = ::openat(fd, segment.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    if (fd >= 0) ::close(fd);
}

// Removes the chain again, by descriptors: no path call can reach its far end.
void removeTooDeepChain(const QString& root) {
    const QByteArray segment(200, 'd');
    std::vector<int> fds;
    int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd >= 0) {
        fds.push_back(fd);
        fd = ::openat(fd, segment.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    for (auto it = fds.rbegin(); it != fds.rend(); ++it) {
        ::unlinkat(*it, segment.constData(), AT_REMOVEDIR);
        ::close(*it);
    }
}

// A small tree with duplicates of every kind, in a temporary folder (never the user's home).
void makeFixture(const QString& root) {
    const QByteArray report = QByteArray("Quarterly report\n").repeated(4000);
    writeFile(root + "/Documents/report.pdf", report);
    writeFile(root + "/Documents/Old/report copy.pdf", report);
    writeFile(root + "/Downloads/report (1).pdf", report);
    const QByteArray notes = QByteArray("meeting notes ").repeated(900);
    writeFile(root + "/Documents/notes.docx", notes);
    writeFile(root + "/Desktop/notes.docx", notes);
    writeFile(root + "/Pictures/beach.png", picture(200));
    writeFile(root + "/Pictures/Backup/beach.png", picture(200));
    writeFile(root + "/Pictures/sunset.png", picture(20));
    writeFile(root + "/Downloads/sunset (2).png", picture(20));
    const QByteArray song = QByteArray("\x49\x44\x33 audio frame ", 18).repeated(60000);
    writeFile(root + "/Music/track01.mp3", song);
    writeFile(root + "/Downloads/track01.mp3", song);
    const QByteArray clip = QByteArray("video-chunk-").repeated(250000);
    writeFile(root + "/Videos/holiday.mp4", clip);
    writeFile(root + "/Desktop/holiday final.mp4", clip);
    const QByteArray archive = QByteArray("PK archive ").repeated(30000);
    writeFile(root + "/Downloads/setup.zip", archive);
    writeFile(root + "/Downloads/setup (1).zip", archive);
    writeFile(root + "/Documents/unique.txt", "only one of these");
    makeTooDeepChain(root + "/Backups/nested");
}

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

bool clickMessageButton(ScreenshotWriter& out, const QString& text) {
    QMessageBox* box = out.openMessage();
    if (!box) return false;
    for (QAbstractButton* b : box->buttons()) {
        if (b->text() == text) {
            b->click();
            out.settleEvents();
            return true;
        }
    }
    return false;
}

}  // namespace

void runLargeFilesScreenshots(ScreenshotWriter& out, MainWindow& window);
void runAppsScreenshots(ScreenshotWriter& out, MainWindow& window);
void runJunkScreenshots(ScreenshotWriter& out, MainWindow& window);
void runPhotoScreenshots(ScreenshotWriter& out, MainWindow& window);
void runRenamerScreenshots(ScreenshotWriter& out, MainWindow& window);

void runModuleScreenshots(ScreenshotWriter& out, MainWindow& window) {
    QTemporaryDir tmp;
    if (!tmp.isValid()) return;
    const QString root = tmp.path() + "/Duplicates demo";
    makeFixture(root);
    QDir().mkpath(tmp.path() + "/Empty folder");

    MainViewController* main = window.mainView();
    main->leftList()->selectType(ModuleType::duplicateFiles);
    main->displayViewWithType(ModuleType::duplicateFiles);
    auto* module = qobject_cast<DuplicatFilesViewController*>(main->currentViewCtr());
    if (!module) {
        std::printf("FAILED the duplicate module is not registered\n");
        return;
    }
    out.save(&window, QStringLiteral("10-duplicates-path-select"));
    ScanFileResultViewController* result = module->resultScreen();
    auto finished = [result] {
        return result->displayType() == DisplayViewType::displayViewTypeScanFinished;
    };

    module->scanPaths({(tmp.path() + "/Empty folder").toStdString()});
    waitFor([&] { return result->displayType() == DisplayViewType::displayViewTypeScanning; },
            2000);
    waitFor(finished, 20000);
    out.save(&window, QStringLiteral("11-duplicates-nothing-found"));
    module->goBack();
    out.settleEvents();

    module->scanPaths({root.toStdString()});
    waitFor([&] { return result->displayType() == DisplayViewType::displayViewTypeScanning; },
            2000);
    waitFor(finished, 20000);
    DuplicateResultView* view = result->resultView();
    out.save(&window, QStringLiteral("12-duplicates-results"));
    QMenu* selectMenu = view->selectButton()->menu();
    selectMenu->popup(view->selectButton()->mapToGlobal(QPoint(0, view->selectButton()->height())));
    out.save(selectMenu, QStringLiteral("12-duplicates-select-menu"));
    selectMenu->hide();

    view->autoSelect();
    view->table()->setCurrentIndex(view->model()->index(view->model()->rowCount() - 1, 0));
    out.settleEvents(400);
    out.save(&window, QStringLiteral("13-duplicates-auto-selected"));

    view->showCategory(DuplicateResultView::picture);
    view->table()->setCurrentIndex(view->model()->index(1, 0));
    out.settleEvents(400);
    out.save(&window, QStringLiteral("14-duplicates-pictures-preview"));
    view->showCategory(DuplicateResultView::all);

    // Checking the last unchecked copy of a group asks once.
    view->model()->setData(view->model()->index(1, 0), Qt::Checked, Qt::CheckStateRole);
    out.saveAndCloseMessage(QStringLiteral("15-duplicates-select-every-copy"));

    view->lastFolder = (tmp.path() + "/Kept copies").toStdString();
    view->rebuildRemoveMenu();
    view->removeMenu()->popup(view->removeButton()->mapToGlobal(QPoint(0, 0)));
    out.save(view->removeMenu(), QStringLiteral("16-duplicates-remove-menu"));
    view->removeMenu()->hide();

    view->requestRemove(files::RemoveType::trash());
    out.saveAndCloseMessage(QStringLiteral("17-duplicates-confirm-trash"));
    view->requestRemove(files::RemoveType::folder((tmp.path() + "/Kept copies").toStdString()));
    out.saveAndCloseMessage(QStringLiteral("17-duplicates-confirm-folder"));
    // Every copy of the biggest group checked: the question says what will be lost.
    duplicates::DuplicateSelection::setGroupChecked(*view->model()->groups().front(), true);
    view->requestRemove(files::RemoveType::forever());
    out.saveAndCloseMessage(QStringLiteral("17-duplicates-confirm-every-copy"));
    view->autoSelect();

    RemovingProgressWindowController sheet(&window);
    sheet.cleanProgress(0.45, 120);
    sheet.show();
    out.save(&sheet, QStringLiteral("18-duplicates-removing"));
    sheet.showInterrupted();
    out.save(&sheet, QStringLiteral("18-duplicates-remove-interrupted"));
    sheet.hide();

    // One selected copy disappears before its turn, so the finished view has a failure to list.
    QFile::remove(root + "/Downloads/report (1).pdf");
    QFile::remove(root + "/Documents/Old/report copy.pdf");
    view->requestRemove(files::RemoveType::forever());
    clickMessageButton(out, QStringLiteral("Delete"));
    waitFor([&] { return result->displayType() == DisplayViewType::displayViewTypeRemoveFinished; },
            20000);
    out.save(&window, QStringLiteral("19-duplicates-removed"));

    result->finishedView()->doneButton()->click();
    out.save(&window, QStringLiteral("20-duplicates-after-removal"));

    module->goBack();
    out.saveAndCloseMessage(QStringLiteral("21-duplicates-back-question"));
    removeTooDeepChain(root + "/Backups/nested");

    runLargeFilesScreenshots(out, window);
    runAppsScreenshots(out, window);
    runJunkScreenshots(out, window);
    runPhotoScreenshots(out, window);
    runRenamerScreenshots(out, window);
}

}  // namespace orvane::app
