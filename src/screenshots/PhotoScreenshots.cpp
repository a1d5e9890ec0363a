// The photo module's part of the screenshot tour: a folder of painted pictures with resized,
// recompressed and renamed copies, scanned, selected, confirmed and removed for real.
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <cstdio>

#include "app/duplicates/RemoveFinishedView.h"
#include "app/photos/PhotoResultView.h"
#include "app/photos/SimilarPhotosResultViewController.h"
#include "app/photos/SimilarPhotosViewController.h"
#include "app/shell/LeftListViewController.h"
#include "app/shell/MainViewController.h"
#include "app/shell/MainWindow.h"
#include "screenshots/ScreenshotSteps.h"

namespace orvane::app {

namespace {

// A landscape: sky and ground gradients, a sun and a few soft hills.
QImage painting(quint32 seed, int w, int h) {
    QRandomGenerator rng(seed);
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor sky =
        QColor::fromHsv(rng.bounded(180, 240), rng.bounded(60, 160), rng.bounded(180, 255));
    const QColor ground =
        QColor::fromHsv(rng.bounded(60, 140), rng.bounded(80, 200), rng.bounded(80, 180));
    const int horizon = h * rng.bounded(40, 65) / 100;
    QLinearGradient top(0, 0, 0, horizon);
    top.setColorAt(0, sky.darker(130));
    top.setColorAt(1, sky.lighter(120));
    p.fillRect(0, 0, w, horizon, top);
    QLinearGradient bottom(0, horizon, 0, h);
    bottom.setColorAt(0, ground.lighter(110));
    bottom.setColorAt(1, ground.darker(160));
    p.fillRect(0, horizon, w, h - horizon, bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromHsv(rng.bounded(20, 50), 200, 255));
    const int r = h / rng.bounded(7, 12);
    p.drawEllipse(QPoint(rng.bounded(r, w - r), rng.bounded(r, std::max(r + 1, horizon - r))), r,
                  r);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(
            QColor::fromHsv(rng.bounded(60, 150), rng.bounded(80, 220), rng.bounded(60, 200)));
        const int cx = rng.bounded(w), rw = rng.bounded(w / 5, w / 2);
        p.drawEllipse(QPoint(cx, horizon + rng.bounded(h / 10)), rw, h / 6);
    }
    return image;
}

bool waitFor(ScreenshotWriter& out, const std::function<bool()>& done, int ms = 30'000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) out.settleEvents(20);
    return done();
}

void makeAlbum(const QString& root) {
    for (const char* sub : {"Camera", "Camera/Edited", "Downloads", "Shared"})
        QDir().mkpath(root + "/" + sub);
    const char* names[] = {"Lake at dawn", "Hills in May", "Coast road", "Evening walk", "Harvest"};
    for (int i = 0; i < 5; ++i) {
        const QImage original = painting(40 + i, 1600, 1200);
        const QString name = QString::fromUtf8(names[i]);
        original.save(root + "/Camera/" + name + ".jpg", "JPG", 92);
        if (i % 2 == 0)
            original.scaledToWidth(800, Qt::SmoothTransformation)
                .save(root + "/Shared/" + name + " (small).jpg", "JPG", 80);
        if (i != 3)
            original.save(root + "/Downloads/IMG_" + QString::number(2040 + i) + ".jpg", "JPG", 45);
        if (i == 1) original.save(root + "/Camera/Edited/" + name + ".png", "PNG");
    }
    painting(99, 1600, 1200).save(root + "/Camera/Unique shot.jpg", "JPG", 90);
}

}  // namespace

void runPhotoScreenshots(ScreenshotWriter& out, MainWindow& window) {
    QTemporaryDir tmp;
    if (!tmp.isValid()) return;
    const QString root = tmp.path() + "/Photo album";
    makeAlbum(root);

    MainViewController* main = window.mainView();
    main->leftList()->selectType(ModuleType::similarPhotos);
    main->displayViewWithType(ModuleType::similarPhotos);
    auto* module = qobject_cast<SimilarPhotosViewController*>(main->currentViewCtr());
    if (!module) {
        std::printf("FAILED the photo module is not registered\n");
        return;
    }
    out.save(&window, QStringLiteral("50-photos-path-select"));
    SimilarPhotosResultViewController* result = module->resultScreen();
    module->scanPaths({root.toStdString()});
    waitFor(
        out, [&] { return result->state() == SimilarPhotosResultViewController::State::scanning; },
        2000);
    out.save(&window, QStringLiteral("51-photos-scanning"));
    waitFor(out,
            [&] { return result->state() == SimilarPhotosResultViewController::State::results; });

    PhotoResultView* view = result->resultView();
    // Thumbnails and the preview arrive from their threads.
    waitFor(
        out, [&] { return !view->preview()->pixmap().isNull(); }, 5000);
    out.settleEvents(600);
    out.save(&window, QStringLiteral("52-photos-results"));

    view->autoSelectNew();
    if (view->tree()->topLevelItemCount() > 1 && view->tree()->topLevelItem(1)->childCount() > 0)
        view->tree()->setCurrentItem(view->tree()->topLevelItem(1)->child(0));
    out.settleEvents(500);
    out.save(&window, QStringLiteral("53-photos-select-new"));

    view->sortByQuantity();
    view->autoSelectOld();
    out.settleEvents(400);
    out.save(&window, QStringLiteral("54-photos-sorted-by-quantity-select-old"));

    view->setMode(PhotoResultView::Mode::trash);
    view->requestRemove();
    out.saveAndCloseMessage(QStringLiteral("55-photos-confirm-trash"));

    view->setMode(PhotoResultView::Mode::deleteForever);
    view->requestRemove();
    if (QMessageBox* box = out.openMessage()) {
        out.save(box, QStringLiteral("56-photos-confirm-delete"));
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QStringLiteral("Delete")) b->click();
    }
    waitFor(out, [&] {
        return result->state() == SimilarPhotosResultViewController::State::removeFinished;
    });
    out.save(&window, QStringLiteral("57-photos-removed"));
    result->finishedView()->doneButton()->click();
    out.settleEvents(300);
    out.save(&window, QStringLiteral("58-photos-after-removal"));
    view->setMode(PhotoResultView::Mode::trash);

    // How a scan can end besides with groups: nothing similar, and the engine failing.
    const QString empty = tmp.path() + "/Scanned documents";
    QDir().mkpath(empty);
    result->startScan({empty.toStdString()});
    waitFor(out,
            [&] { return result->state() == SimilarPhotosResultViewController::State::results; });
    out.settleEvents(300);
    out.save(&window, QStringLiteral("59-photos-nothing-found"));
    result->startScan({(tmp.path() + "/Unplugged card").toStdString()});
    waitFor(out,
            [&] { return result->state() == SimilarPhotosResultViewController::State::results; });
    out.settleEvents(300);
    out.save(&window, QStringLiteral("60-photos-scan-failed"));
}

}  // namespace orvane::app
