#include "app/common/ScanningViewController.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

#include "app/common/Alerts.h"
#include "app/common/ProgressRing.h"
#include "app/common/Text.h"
#include "app/common/UsageEvents.h"
#include "kit/DateFormat.h"
#include "kit/Plural.h"

namespace orvane::app {

namespace {

constexpr long long kFoundCap = 1000000;

QLabel* makeLabel(const QString& text, const QString& style, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setStyleSheet(style);
    return label;
}

const QString kCaption = QStringLiteral("color: #6b7785; font-size: 12px;");
const QString kFigure = QStringLiteral("color: #24303f; font-size: 20px; font-weight: 600;");

// `other` is the screen's own text for any count but one; `one` says the same of a single item.
QString formatCount(std::string_view one, std::string_view other, long long count) {
    return loc(kit::plural(static_cast<std::uint64_t>(count < 0 ? 0 : count), one, other))
        .replace(QStringLiteral("%d"), countText(count));
}

}  // namespace

LeftScanningViewController::LeftScanningViewController(ModuleType module, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("leftScanning"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(
        QStringLiteral("#leftScanning { background: #f7f9fc; border-right: 1px solid #e3e8ef; }"));
    setFixedWidth(210);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 28, 16, 20);
    layout->setSpacing(4);
    layout->addWidget(makeLabel(loc("Progress"), kCaption, this));
    progress_ = makeLabel(QStringLiteral("0%"), kFigure, this);
    layout->addWidget(progress_);
    layout->addSpacing(18);
    layout->addWidget(makeLabel(loc("Elapsed time"), kCaption, this));
    elapsed_ = makeLabel(QStringLiteral("00:00"), kFigure, this);
    elapsed_->setObjectName(QStringLiteral("elapsedTime"));
    layout->addWidget(elapsed_);
    layout->addSpacing(18);
    auto* foundTitle = makeLabel(loc("Duplicates Found"), kCaption, this);
    found_ = makeLabel(ScanningViewController::foundItemsText(0),
                       QStringLiteral("color: #24303f; font-size: 17px; font-weight: 600;"), this);
    found_->setObjectName(QStringLiteral("duplicatesFound"));
    foundSize_ = makeLabel(sizeText(0), QStringLiteral("color: #4b5663; font-size: 13px;"), this);
    layout->addWidget(foundTitle);
    layout->addWidget(found_);
    layout->addWidget(foundSize_);
    const bool showFound = module == ModuleType::duplicateFiles;
    foundTitle->setVisible(showFound);
    found_->setVisible(showFound);
    foundSize_->setVisible(showFound);
    layout->addStretch(1);
    myTimer.setInterval(100);
}

void LeftScanningViewController::showProgress(double value) {
    progressValue = value;
    progress_->setText(QStringLiteral("%1%").arg(static_cast<int>(std::floor(value * 100))));
}

void LeftScanningViewController::showElapsed() {
    // Whole seconds only: 0.9 s still reads 00:00.
    elapsed_->setText(QString::fromStdString(kit::elapsedStr(std::floor(timeSeconds + 1e-6))));
}

void LeftScanningViewController::showFound(long long count, std::uint64_t size) {
    found_->setText(ScanningViewController::foundItemsText(count));
    foundSize_->setText(sizeText(size));
}

ScanningViewController::ScanningViewController(ModuleType module, QWidget* parent)
    : QWidget(parent), module_(module) {
    setObjectName(QStringLiteral("scanningView"));
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    left_ = new LeftScanningViewController(module, this);
    outer->addWidget(left_);

    auto* main = new QVBoxLayout;
    main->setContentsMargins(32, 24, 32, 28);
    main->setSpacing(10);
    main->addStretch(2);
    ring_ = new ProgressRing(this);
    ring_->setObjectName(module == ModuleType::duplicateFiles ? QStringLiteral("scanning.duplicate")
                         : module == ModuleType::largeFiles
                             ? QStringLiteral("scanning.largeFile")
                             : QStringLiteral("scanning.similarPhoto"));
    ring_->setFixedSize(180, 180);
    main->addWidget(ring_, 0, Qt::AlignHCenter);
    main->addSpacing(8);
    title_ = makeLabel(titleFor(module),
                       QStringLiteral("color: #1d2733; font-size: 20px; font-weight: 600;"), this);
    title_->setAlignment(Qt::AlignCenter);
    main->addWidget(title_);
    path_ = makeLabel(QString(), QStringLiteral("color: #6b7785; font-size: 12px;"), this);
    path_->setObjectName(QStringLiteral("scanningPath"));
    path_->setAlignment(Qt::AlignCenter);
    path_->setMinimumWidth(100);
    path_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    main->addWidget(path_);
    main->addSpacing(14);

    auto* counters = new QHBoxLayout;
    counters->setSpacing(36);
    counters->addStretch(1);
    static const char* kDupTitles[3] = {"Documents", "Photos & Videos", "Others"};
    for (int i = 0; i < 3; ++i) {
        auto* column = new QVBoxLayout;
        column->setSpacing(2);
        counterTitles_[i] = makeLabel(loc(kDupTitles[i]), kCaption, this);
        counterTitles_[i]->setAlignment(Qt::AlignCenter);
        counters_[i] = makeLabel(
            QString(), QStringLiteral("color: #24303f; font-size: 15px; font-weight: 600;"), this);
        counters_[i]->setAlignment(Qt::AlignCenter);
        column->addWidget(counterTitles_[i]);
        column->addWidget(counters_[i]);
        counters->addLayout(column);
    }
    counters->addStretch(1);
    main->addLayout(counters);
    main->addStretch(2);

    stop_ = new QPushButton(loc("Stop"), this);
    stop_->setObjectName(QStringLiteral("stopScanButton"));
    stop_->setMinimumWidth(140);
    stop_->setStyleSheet(
        QStringLiteral("QPushButton { outline: none; padding: 7px 22px; border-radius: 15px; "
                       "border: 1px solid #c8d1dc;"
                       " background: #ffffff; color: #24303f; font-size: 13px; }"
                       "QPushButton:hover { background: #f0f4f9; }"
                       "QPushButton:focus { border: 2px solid #2f7cf6; padding: 6px 21px; }"
                       "QPushButton:disabled { color: #a0a9b4; }"));
    main->addWidget(stop_, 0, Qt::AlignHCenter);
    outer->addLayout(main, 1);

    connect(stop_, &QPushButton::clicked, this, &ScanningViewController::requestStop);
    connect(&left_->myTimer, &QTimer::timeout, this, &ScanningViewController::tick);
    startScanning();
    left_->myTimer.stop();
}

QString ScanningViewController::titleFor(ModuleType module) {
    switch (module) {
        case ModuleType::duplicateFiles: return loc("Searching for Duplicate");
        case ModuleType::largeFiles: return loc("Scanning Large Files");
        default: return loc("Searching for Similar Photos");
    }
}

QString ScanningViewController::stopQuestionFor(ModuleType module) {
    switch (module) {
        case ModuleType::duplicateFiles:
            return loc(
                "Only partial duplicates can be found if you stop scanning. Are you sure you want "
                "to stop?");
        case ModuleType::largeFiles:
            return loc(
                "Once you stop the scan, only some large files can be found. Are you sure to "
                "stop?");
        default: return loc("Only a few similar images will be found.  Are you sure to stop?");
    }
}

QString ScanningViewController::foundItemsText(long long count) {
    if (count >= kFoundCap) return QStringLiteral("999999+ ") + loc("Items");
    return quantity(count, "Item", "Items");
}

void ScanningViewController::startScanning() {
    stopped_ = false;
    finished_ = false;
    left_->lastProgressValue = 0;
    left_->timeSeconds = 0;
    left_->showProgress(0);
    left_->showElapsed();
    left_->showFound(0, 0);
    ring_->setValue(0);
    ring_->setSpinning(true);
    fullPath_.clear();
    updatePathText();
    stop_->setEnabled(true);
    for (int i = 0; i < 3; ++i) {
        counterTitles_[i]->setVisible(module_ == ModuleType::duplicateFiles);
        counters_[i]->setVisible(module_ == ModuleType::duplicateFiles || i < 2);
    }
    switch (module_) {
        case ModuleType::duplicateFiles:
            // The kinds start at this literal figure until the driver reports a size.
            for (QLabel* c : counters_) c->setText(QStringLiteral("0.0MB"));
            break;
        case ModuleType::largeFiles:
            counters_[0]->setText(
                formatCount("%d Large File Scanned", "%d Large Files Scanned", 0));
            counters_[1]->setVisible(false);
            break;
        default:
            counters_[0]->setText(
                formatCount("%d similar image scanned", "%d similar images scanned", 0));
            counters_[1]->setText(loc("0 similar images found"));
            break;
    }
    counters_[2]->setVisible(module_ == ModuleType::duplicateFiles);
    left_->myTimer.start();
}

void ScanningViewController::scanProgress(double value) {
    if (!std::isfinite(value)) return;
    if (stopped_ || (isDriverStopping && isDriverStopping())) return;
    if (value < left_->lastProgressValue) return;
    left_->lastProgressValue = value;
    left_->showProgress(value);
    ring_->setValue(value);
}

void ScanningViewController::scaningPath(const std::string& path) {
    fullPath_ = displayPath(path);
    updatePathText();
}

void ScanningViewController::updatePathText() {
    if (fullPath_.isEmpty()) {
        path_->setText(QString());
        path_->setToolTip(QString());
        return;
    }
    const QString text = loc("Scanning") + QLatin1Char(' ') + fullPath_;
    const int room = std::max(80, path_->width() - 8);
    path_->setText(QFontMetrics(path_->font()).elidedText(text, Qt::ElideMiddle, room));
    path_->setToolTip(fullPath_);
}

void ScanningViewController::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updatePathText();
}

void ScanningViewController::setKindSizes(std::uint64_t documents, std::uint64_t photosAndVideos,
                                          std::uint64_t others) {
    if (module_ != ModuleType::duplicateFiles) return;
    counters_[0]->setText(sizeText(documents));
    counters_[1]->setText(sizeText(photosAndVideos));
    counters_[2]->setText(sizeText(others));
}

void ScanningViewController::setDuplicatesFound(long long count, std::uint64_t size) {
    left_->showFound(count, size);
}

void ScanningViewController::setScannedCount(long long count) {
    if (module_ == ModuleType::largeFiles)
        counters_[0]->setText(
            formatCount("%d Large File Scanned", "%d Large Files Scanned", count));
    else if (module_ != ModuleType::duplicateFiles)
        counters_[0]->setText(
            formatCount("%d similar image scanned", "%d similar images scanned", count));
}

void ScanningViewController::setSimilarFound(long long count) {
    if (module_ == ModuleType::duplicateFiles || module_ == ModuleType::largeFiles) return;
    counters_[1]->setText(
        count == 0 ? loc("0 similar images found")
                   : formatCount("%d similar image found", "%d similar images found", count));
}

void ScanningViewController::scanFinished() {
    finished_ = true;
    left_->myTimer.stop();
    ring_->setSpinning(false);
    stop_->setEnabled(false);
    // Answering it now could only stop the next scan or nothing; the results replace this page.
    if (question_) {
        QMessageBox* box = question_;
        question_ = nullptr;
        box->reject();
    }
}

void ScanningViewController::markStopped() {
    stopped_ = true;
    stop_->setEnabled(false);
}

void ScanningViewController::requestStop() {
    if (stopped_ || finished_ || question_) return;
    question_ =
        askQuestion(this, stopQuestionFor(module_), loc("Cancel"), loc("Yes"), [this](bool yes) {
            question_ = nullptr;
            // Withdrawn because the scan ended: nobody answered it.
            if (finished_) return;
            usage::sheetAnswer(usage::moduleFor(module_), yes);
            if (!yes || stopped_) return;
            markStopped();
            if (stopConfirmed) stopConfirmed();
        });
}

void ScanningViewController::tick() {
    left_->timeSeconds += 0.1;
    left_->showElapsed();
    ring_->advanceSpin();
}

}  // namespace orvane::app
