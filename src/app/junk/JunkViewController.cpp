#include "app/junk/JunkViewController.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/common/PageParts.h"
#include "app/common/ScreenRelay.h"
#include "app/common/Styles.h"
#include "app/common/Text.h"
#include "app/common/UsageEvents.h"
#include "app/junk/CleanUpResultNewViewController.h"
#include "app/junk/CleanUpResultViewController.h"
#include "app/junk/CleanupCleanViewController.h"
#include "app/shell/Icons.h"
#include "app/shell/MainThread.h"
#include "core/junk/CleanManager.h"
#include "kit/Log.h"

namespace orvane::app {

using junk::CleanJunkType;

// Moves the driver's reports onto the GUI thread, and drops them once the screen is gone.
class JunkScanObserver final : public junk::TrashScanManagerDelegate,
                               ScreenRelay<JunkViewController> {
public:
    using ScreenRelay::ScreenRelay;

    void scanTrashFetchData(const junk::CleanBaseModelPtr& model,
                            const junk::CleanBaseItemPtr& item, double progress) override {
        item->size();  // measured here, on the scan's thread, not on the GUI's
        post(
            [model, item, progress](JunkViewController& s) { s.itemFound(model, item, progress); });
    }
    void scanTrashProgress(double progress) override {
        post([progress](JunkViewController& s) { s.progressChanged(progress); });
    }
    void scanTrashCompleted() override {
        post([](JunkViewController& s) { s.scanEnded(false); });
    }
    void stopScanTrash() override {
        post([](JunkViewController& s) { s.scanEnded(true); });
    }
};

// The same for the cleaning.
class JunkCleanObserver final : public junk::TrashCleanManagerDelegate,
                                ScreenRelay<JunkViewController> {
public:
    using ScreenRelay::ScreenRelay;
    void cleanTrashStartForState(junk::CleanStageType stage) override {
        post([stage](JunkViewController& s) { s.cleaning_->stageStarted(stage); });
    }
    void cleanTrashProgress(const std::string& path, bool success, junk::CleanStageType stage,
                            std::int64_t size) override {
        if (!success) ORVANE_LOG("cleanup remove path fail:" + path);
        post([success, stage, size](JunkViewController& s) {
            s.cleaning_->progress(success, stage, size);
        });
    }
    void cleanTrashFinishForState(junk::CleanStageType stage) override {
        post([stage](JunkViewController& s) { s.cleaning_->stageFinished(stage); });
    }
    void cleanTrashCompleted() override {
        post([](JunkViewController& s) { s.cleanEnded(false); });
    }
    void stopCleanTrash() override {
        post([](JunkViewController& s) { s.cleanEnded(true); });
    }
};

namespace {

struct KindInfo {
    CleanJunkType type;
    const char* name;
    const char* detail;
};

// In scan order.
constexpr KindInfo kKindInfo[] = {
    {CleanJunkType::systemJunk, "System Junk",
     "Thumbnails, package caches, rotated logs, crash reports"},
    {CleanJunkType::appJunk, "Application Junk", "Caches and logs of your applications"},
    {CleanJunkType::trash, "Trash", "Items waiting in the Trash of every drive"},
    {CleanJunkType::package, "Installation Packages", "Installers and archives in Downloads"},
    {CleanJunkType::internetJunk, "Internet Junk", "Browser caches"},
};

}  // namespace

JunkKindRow::JunkKindRow(const QString& name, const QString& detail, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 6, 12, 6);
    auto* text = new QVBoxLayout;
    text->setSpacing(1);
    auto* title = new QLabel(name, this);
    title->setStyleSheet(QStringLiteral("color: #1d2733; font-size: 14px; font-weight: 600;"));
    auto* sub = new QLabel(detail, this);
    sub->setStyleSheet(QStringLiteral("color: #8792a0; font-size: 12px;"));
    text->addWidget(title);
    text->addWidget(sub);
    layout->addLayout(text, 1);
    size_ = new QLabel(this);
    size_->setStyleSheet(QStringLiteral("color: #1d2733; font-size: 14px;"));
    size_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    size_->setMinimumWidth(140);
    layout->addWidget(size_);
    state_ = new QLabel(this);
    state_->setMinimumWidth(90);
    state_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(state_);
    setFound(0, 0);
    setStatus(Status::waiting);
}

void JunkKindRow::setFound(long long items, std::int64_t bytes) {
    size_->setText(items == 0
                       ? QStringLiteral("—")
                       : locFormat("%@ in %@ items", {sizeText(static_cast<std::uint64_t>(bytes)),
                                                      countText(items)}));
}

void JunkKindRow::setStatus(Status status) {
    status_ = status;
    switch (status) {
        case Status::waiting:
            state_->setText(loc("Waiting"));
            state_->setStyleSheet(QStringLiteral("color: #a0a9b4; font-size: 12px;"));
            break;
        case Status::scanning:
            state_->setText(loc("Scanning…"));
            state_->setStyleSheet(
                QStringLiteral("color: #2f7cf6; font-size: 12px; font-weight: 600;"));
            break;
        case Status::done:
            state_->setText(loc("Done"));
            state_->setStyleSheet(QStringLiteral("color: #2e9d5b; font-size: 12px;"));
            break;
    }
}

JunkViewController::JunkViewController(junk::CleanManager* manager, QWidget* parent)
    : ModuleBaseViewController(ModuleType::cleanJunk, parent),
      manager_(manager ? manager : &junk::CleanManager::shared()) {
    setObjectName(QStringLiteral("junkModule"));
    observer_ = std::make_shared<JunkScanObserver>(this);
    stack_ = addPageStack(this);

    // Home
    auto* home = new QWidget(stack_);
    auto* homeLayout = new QVBoxLayout(home);
    homeLayout->addStretch(2);
    addModuleIntro(homeLayout, QStringLiteral("leftList_cleanup"), 110, loc("Junk Files"),
                   loc("Find caches, leftover logs, old installers, browser caches and what "
                       "waits in the Trash, and see how much space they take."));
    homeLayout->addSpacing(16);
    scanButton_ = new QPushButton(loc("Scan"), home);
    scanButton_->setObjectName(QStringLiteral("junkScan"));
    scanButton_->setStyleSheet(styles::primaryButton());
    scanButton_->setMinimumWidth(160);
    homeLayout->addWidget(scanButton_, 0, Qt::AlignHCenter);
    homeLayout->addStretch(3);
    stack_->addWidget(home);
    connect(scanButton_, &QPushButton::clicked, this, &JunkViewController::startScan);

    // Scanning
    auto* scanning = new QWidget(stack_);
    auto* scanLayout = new QVBoxLayout(scanning);
    scanLayout->setContentsMargins(40, 30, 40, 30);
    scanningTitle_ = wrappedLabel(loc("Scanning for Junk"), styles::title(), scanning);
    scanLayout->addWidget(scanningTitle_);
    progress_ = new QProgressBar(scanning);
    progress_->setRange(0, 1000);
    progress_->setTextVisible(false);
    progress_->setFixedHeight(8);
    progress_->setStyleSheet(
        QStringLiteral("QProgressBar { background: #e3e9f1; border: none; border-radius: 4px; }"
                       "QProgressBar::chunk { background: #2f7cf6; border-radius: 4px; }"));
    scanLayout->addSpacing(8);
    scanLayout->addWidget(progress_);
    currentPath_ =
        wrappedLabel(QString(), QStringLiteral("color: #8792a0; font-size: 12px;"), scanning);
    currentPath_->setWordWrap(false);
    scanLayout->addWidget(currentPath_);
    scanLayout->addSpacing(12);
    for (int i = 0; i < kKinds; ++i) {
        rows_[static_cast<std::size_t>(i)] =
            new JunkKindRow(loc(kKindInfo[i].name), loc(kKindInfo[i].detail), scanning);
        rows_[static_cast<std::size_t>(i)]->setObjectName(QStringLiteral("junkKind%1").arg(i));
        scanLayout->addWidget(rows_[static_cast<std::size_t>(i)]);
    }
    scanLayout->addStretch(1);
    stopButton_ = new QPushButton(loc("Stop"), scanning);
    stopButton_->setObjectName(QStringLiteral("junkStop"));
    stopButton_->setStyleSheet(styles::secondaryButton());
    stopButton_->setMinimumWidth(120);
    scanLayout->addWidget(stopButton_, 0, Qt::AlignHCenter);
    stack_->addWidget(scanning);
    connect(stopButton_, &QPushButton::clicked, this, &JunkViewController::stopScan);

    // Summary
    auto* summary = new QWidget(stack_);
    auto* summaryLayout = new QVBoxLayout(summary);
    summaryLayout->setContentsMargins(40, 30, 40, 24);
    summaryTitle_ = wrappedLabel(QString(), styles::title(), summary);
    summaryTitle_->setObjectName(QStringLiteral("junkSummaryTitle"));
    summaryLayout->addWidget(summaryTitle_);
    summaryDetail_ = wrappedLabel(QString(), styles::subtitle(), summary);
    summaryLayout->addWidget(summaryDetail_);
    summaryLayout->addSpacing(8);
    results_ = new CleanUpResultNewViewController(*manager_, summary);
    results_->setObjectName(QStringLiteral("junkResults"));
    results_->onStartClean = [this](const std::vector<junk::CheckState>&) { startClean(); };
    summaryLayout->addWidget(results_, 1);
    rescanButton_ = new QPushButton(loc("Scan Again"), summary);
    rescanButton_->setObjectName(QStringLiteral("junkRescan"));
    rescanButton_->setStyleSheet(styles::primaryButton());
    rescanButton_->setMinimumWidth(160);
    summaryLayout->addSpacing(10);
    summaryLayout->addWidget(rescanButton_, 0, Qt::AlignHCenter);
    stack_->addWidget(summary);
    connect(rescanButton_, &QPushButton::clicked, this, &JunkViewController::startScan);

    // Cleaning, then its result.
    cleaning_ = new CleanupCleanViewController(stack_);
    stack_->addWidget(cleaning_);
    connect(cleaning_->stopButton(), &QPushButton::clicked, this, &JunkViewController::stopClean);
    finished_ = new CleanUpResultViewController(stack_);
    stack_->addWidget(finished_);
    finished_->onBackHomeFromeResult = [this] { showPage(Page::home); };

    refresh_ = new QTimer(this);
    refresh_->setSingleShot(true);
    refresh_->setInterval(80);
    connect(refresh_, &QTimer::timeout, this, &JunkViewController::refreshRows);

    manager_->scanDelegate = observer_;
    cleanObserver_ = std::make_shared<JunkCleanObserver>(this);
}

JunkViewController::~JunkViewController() {
    if (manager_->scanDelegate.lock() == observer_) manager_->scanDelegate.reset();
    if (manager_->cleanDelegate.lock() == cleanObserver_) manager_->cleanDelegate.reset();
}

void JunkViewController::showPage(Page page) {
    page_ = page;
    stack_->setCurrentIndex(static_cast<int>(page));
    setLeftlistStatus(page != Page::scanning && page != Page::cleaning);
}

int JunkViewController::rowFor(std::uint32_t junkType) const {
    for (int i = 0; i < kKinds; ++i)
        if (static_cast<std::uint32_t>(kKindInfo[i].type) == junkType) return i;
    return -1;
}

void JunkViewController::startScan() {
    if (page_ == Page::scanning) return;
    manager_->waitUntilScanFinished();
    manager_->scanDelegate = observer_;
    stopped_ = false;
    categories_.clear();
    for (const auto& model : manager_->getModels())
        categories_.push_back(std::make_shared<junk::JunkCategory>(model));
    counts_.fill(0);
    bytes_.fill(0);
    for (auto* row : rows_) {
        row->setFound(0, 0);
        row->setStatus(JunkKindRow::Status::waiting);
    }
    rows_[0]->setStatus(JunkKindRow::Status::scanning);
    progress_->setValue(0);
    currentPath_->clear();
    lastPath_.clear();
    stopButton_->setEnabled(true);
    usage::process(analytics::module::cleanup, analytics::action::scanPage,
                   {std::string(analytics::label::nil)});
    usage::process(analytics::module::cleanup, analytics::action::startScan, {""});
    scanStartedAt_ = std::chrono::steady_clock::now();
    showPage(Page::scanning);
    manager_->startScan();
}

void JunkViewController::stopScan() {
    if (page_ != Page::scanning) return;
    stopButton_->setEnabled(false);
    stopped_ = true;
    manager_->stopScan();
}

void JunkViewController::itemFound(const junk::CleanBaseModelPtr& model,
                                   const junk::CleanBaseItemPtr& item, double progress) {
    if (page_ != Page::scanning) return;
    const int row = rowFor(model->junkType);
    if (row < 0) return;
    for (const auto& category : categories_)
        if (category->model == model) category->addItem(item);
    counts_[static_cast<std::size_t>(row)] += 1;
    bytes_[static_cast<std::size_t>(row)] += item->size();
    // Kinds before this one are done; this one is being scanned.
    for (int i = 0; i < row; ++i)
        rows_[static_cast<std::size_t>(i)]->setStatus(JunkKindRow::Status::done);
    if (rows_[static_cast<std::size_t>(row)]->status() != JunkKindRow::Status::scanning)
        rows_[static_cast<std::size_t>(row)]->setStatus(JunkKindRow::Status::scanning);
    lastPath_ = displayPath(item->url);
    progressChanged(progress);
    if (!refresh_->isActive()) refresh_->start();
}

void JunkViewController::refreshRows() {
    for (int i = 0; i < kKinds; ++i)
        rows_[static_cast<std::size_t>(i)]->setFound(counts_[static_cast<std::size_t>(i)],
                                                     bytes_[static_cast<std::size_t>(i)]);
    currentPath_->setText(lastPath_);
}

void JunkViewController::progressChanged(double progress) {
    if (page_ != Page::scanning) return;
    const int value = static_cast<int>(progress * 1000);
    if (value > progress_->value()) progress_->setValue(value);
    // A kind is done when the bar has passed its band.
    const double bandEnds[kKinds] = {0.4, 0.6, 0.7, 0.8, 1.0};
    for (int i = 0; i < kKinds; ++i) {
        if (progress >= bandEnds[i] - 1e-9) {
            if (rows_[static_cast<std::size_t>(i)]->status() != JunkKindRow::Status::done)
                rows_[static_cast<std::size_t>(i)]->setStatus(JunkKindRow::Status::done);
            if (i + 1 < kKinds &&
                rows_[static_cast<std::size_t>(i + 1)]->status() == JunkKindRow::Status::waiting)
                rows_[static_cast<std::size_t>(i + 1)]->setStatus(JunkKindRow::Status::scanning);
        }
    }
}

void JunkViewController::scanEnded(bool stopped) {
    if (page_ != Page::scanning) return;
    stopped_ = stopped_ || stopped;
    refresh_->stop();
    refreshRows();
    manager_->waitUntilScanFinished();
    fillSummary();
    std::uint64_t found = 0;
    for (const auto& category : categories_)
        found += static_cast<std::uint64_t>(std::max<std::int64_t>(category->size(), 0));
    usage::process(
        analytics::module::cleanup, analytics::action::scanEnd,
        analytics::labels::scanEnd(usage::secondsSince(scanStartedAt_), found, stopped_));
    showPage(Page::summary);
}

void JunkViewController::fillSummary() {
    // Rebuilt from the models: they hold exactly what the scan kept.
    categories_.clear();
    std::int64_t total = 0, recommended = 0;
    std::size_t items = 0;
    for (const auto& model : manager_->getModels()) {
        if (!(manager_->scanKinds & model->junkType)) continue;
        auto category = std::make_shared<junk::JunkCategory>(model);
        for (const auto& item : model->allItems) category->addItem(item);
        total += category->size();
        recommended += category->selectedSize();
        items += category->fileCount();
        categories_.push_back(category);
    }

    if (stopped_)
        summaryTitle_->setText(locFormat("Scan stopped: %@ found so far",
                                         {sizeText(static_cast<std::uint64_t>(total))}));
    else if (items == 0) summaryTitle_->setText(loc("No junk found"));
    else
        summaryTitle_->setText(
            locFormat("%@ of junk found", {sizeText(static_cast<std::uint64_t>(total))}));
    QString detail =
        items == 0
            ? loc("Your caches, logs, downloads and Trash are already tidy.")
            : locFormat("%@ items. %@ of them are safe to remove and are selected for cleaning.",
                        {countText(static_cast<long long>(items)),
                         sizeText(static_cast<std::uint64_t>(recommended))});
    long long inUse = 0;
    for (const auto& category : categories_)
        for (const auto& item : category->model->allItems)
            if (!item->runningApp.empty()) ++inUse;
    if (inUse > 0)
        detail += QStringLiteral("\n") +
                  locFormat(
                      "%@ belong to programs that are running and are not ticked; close "
                      "those programs to clean them.",
                      {quantity(inUse, "item", "items")});
    if (!manager_->ruleError().empty())
        detail +=
            QStringLiteral("\n") +
            locFormat(
                "The junk rules could not be read (%@); only the built-in places were scanned.",
                {qs(manager_->ruleError())});
    summaryDetail_->setText(detail);

    results_->applyCategories(categories_);
}

void JunkViewController::startClean() {
    if (page_ != Page::summary) return;
    manager_->waitUntilScanFinished();
    manager_->waitUntilCleanFinished();
    std::size_t selected = 0;
    for (const auto& model : manager_->getModels())
        for (const auto& item : model->allItems)
            if (item->isSelected) ++selected;
    // The results screen has reported the start, with the kinds it cleans.
    cleanStartedAt_ = std::chrono::steady_clock::now();
    cleaning_->start(selected);
    showPage(Page::cleaning);
    manager_->cleanDelegate = cleanObserver_;
    manager_->startClean();
}

void JunkViewController::stopClean() {
    if (page_ != Page::cleaning) return;
    cleaning_->stopButton()->setEnabled(false);
    manager_->stopClean();
}

void JunkViewController::cleanEnded(bool stopped) {
    if (page_ != Page::cleaning) return;
    manager_->waitUntilCleanFinished();
    std::size_t removed = 0, failed = 0;
    for (const auto& model : manager_->getModels()) {
        removed += static_cast<std::size_t>(std::max(model->suceesCount, 0));
        failed += static_cast<std::size_t>(std::max(model->errorCount, 0));
    }
    usage::process(analytics::module::cleanup, analytics::action::removeEnd,
                   analytics::labels::removeEnd(removed, failed, manager_->cleanedSize.load(),
                                                usage::secondsSince(cleanStartedAt_)));
    finished_->showResult(manager_->getModels(), manager_->cleanedSize.load(), stopped);
    showPage(Page::finished);
}

bool JunkViewController::isShouldCloseWindow() { return true; }

void JunkViewController::backToHome(std::function<void(bool)> completion) {
    if (page_ == Page::scanning || page_ == Page::cleaning) {
        completion(false);
        return;
    }
    completion(true);
}

void JunkViewController::applicationWillTerminate() {
    manager_->stopScan();
    manager_->waitUntilScanFinished();
    manager_->stopClean();
    manager_->waitUntilCleanFinished();
}

}  // namespace orvane::app
