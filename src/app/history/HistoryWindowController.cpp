#include "app/history/HistoryWindowController.h"

#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QStackedBarSeries>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <map>

#include "app/common/Text.h"
#include "app/common/ThemeColors.h"
#include "core/analytics/EventRecorder.h"
#include "kit/DateFormat.h"
#include "kit/DispatchQueue.h"

namespace orvane::app {

namespace {
using analytics::CleaningHistory;

QColor moduleColor(int index) {
    static const QColor colors[] = {theme::themeColor(),      QColor(0x2E, 0xB8, 0x8A),
                                    QColor(0xF5, 0xA6, 0x23), QColor(0xE8, 0x5D, 0x75),
                                    QColor(0x8E, 0x6C, 0xEF), QColor(0x4F, 0xB3, 0xE8)};
    return colors[index % 6];
}

double sinceFor(HistoryWindowController::Range range) {
    const QDate today = QDate::currentDate();
    switch (range) {
        case HistoryWindowController::Range::lastMonth:
            return static_cast<double>(today.addDays(-29).startOfDay().toSecsSinceEpoch());
        case HistoryWindowController::Range::lastYear: {
            const QDate first(today.year(), today.month(), 1);
            return static_cast<double>(first.addMonths(-11).startOfDay().toSecsSinceEpoch());
        }
        case HistoryWindowController::Range::allTime: break;
    }
    return 0;
}
}  // namespace

HistoryWindowController::HistoryWindowController(QWidget* parent, std::vector<std::string> files)
    : QWidget(parent), files_(std::move(files)) {
    setObjectName(QStringLiteral("historyWindow"));
    setWindowTitle(loc("Cleaning History"));
    setStyleSheet(theme::window());
    resize(860, 640);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);

    auto* header = new QHBoxLayout;
    auto* title = new QLabel(loc("Space reclaimed with Orvane"));
    title->setStyleSheet(QStringLiteral("font-size: 18px; font-weight: 600;"));
    rangeBox_ = new QComboBox;
    rangeBox_->setObjectName(QStringLiteral("historyRange"));
    rangeBox_->addItems({loc("Last 30 days"), loc("Last 12 months"), loc("All time")});
    header->addWidget(title);
    header->addStretch();
    header->addWidget(rangeBox_);
    layout->addLayout(header);

    totals_ = new QLabel;
    totals_->setObjectName(QStringLiteral("historyTotals"));
    totals_->setWordWrap(true);
    layout->addWidget(totals_);

    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setBackgroundRoundness(0);
    chartView_ = new QChartView(chart);
    chartView_->setObjectName(QStringLiteral("historyChart"));
    chartView_->setRenderHint(QPainter::Antialiasing);
    chartView_->setMinimumHeight(260);
    layout->addWidget(chartView_, 3);

    auto* lastTitle = new QLabel(loc("Last removals"));
    lastTitle->setStyleSheet(QStringLiteral("font-weight: 600;"));
    layout->addWidget(lastTitle);
    removals_ = new QTreeWidget;
    removals_->setObjectName(QStringLiteral("historyRemovals"));
    removals_->setRootIsDecorated(false);
    removals_->setHeaderLabels(
        {loc("Date"), loc("Module"), loc("Files"), loc("Size"), loc("Failed")});
    removals_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    removals_->header()->setStretchLastSection(true);
    layout->addWidget(removals_, 2);

    note_ = new QLabel;
    note_->setObjectName(QStringLiteral("historyNote"));
    note_->setWordWrap(true);
    note_->setStyleSheet(QStringLiteral("color: #808080;"));
    layout->addWidget(note_);

    connect(rangeBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        range_ = static_cast<Range>(index);
        reload();
    });
}

QChart* HistoryWindowController::chart() const { return chartView_->chart(); }
QString HistoryWindowController::totalsText() const { return totals_->text(); }
QString HistoryWindowController::noteText() const { return note_->text(); }

void HistoryWindowController::setRange(Range range) {
    rangeBox_->setCurrentIndex(static_cast<int>(range));
}

void HistoryWindowController::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    reload();
}

void HistoryWindowController::reload() {
    if (loading_) {
        reloadAgain_ = true;
        return;
    }
    loading_ = true;
    if (totals_->text().isEmpty()) totals_->setText(loc("Reading the history..."));
    CleaningHistory::Options options;
    options.since = sinceFor(range_);
    std::vector<std::string> files = files_;
    if (files.empty())
        files =
            analytics::EventRecorder::filesOldestFirst(analytics::EventRecorder::shared().path());
    QPointer<HistoryWindowController> self(this);
    kit::dispatchGlobal([self, files = std::move(files), options] {
        auto history = std::make_shared<CleaningHistory>(CleaningHistory::read(files, options));
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, history] {
                if (!self) return;
                self->loading_ = false;
                if (self->reloadAgain_) {
                    self->reloadAgain_ = false;
                    self->reload();
                    return;
                }
                self->present(*history);
            },
            Qt::QueuedConnection);
    });
}

void HistoryWindowController::present(const CleaningHistory& history) {
    if (history.totalRuns() == 0) {
        totals_->setText(
            range_ == Range::allTime
                ? loc("Nothing removed yet. The space you get back with Orvane will show here.")
                : loc("Nothing removed in this time."));
    } else {
        QStringList perModule;
        for (const auto& m : history.totalsByModule())
            if (m.runs)
                perModule << QStringLiteral("%1 %2").arg(
                    loc(CleaningHistory::displayName(m.module)), sizeText(m.bytes));
        totals_->setText(locFormat("Reclaimed %@: %@ files in %@ removals.",
                                   {sizeText(history.totalBytes()),
                                    countText(static_cast<long long>(history.totalFiles())),
                                    countText(static_cast<long long>(history.totalRuns()))}) +
                         QStringLiteral("\n") + perModule.join(QStringLiteral("  ·  ")));
    }

    removals_->clear();
    for (const auto& r : history.lastRemovals()) {
        auto* item = new QTreeWidgetItem(
            {qs(kit::dateStr(r.time)), loc(CleaningHistory::displayName(r.module)),
             countText(static_cast<long long>(r.removedCount)), sizeText(r.bytes),
             r.failedCount ? countText(static_cast<long long>(r.failedCount)) : QString()});
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        removals_->addTopLevelItem(item);
    }

    QStringList notes;
    if (history.badLines())
        notes << locFormat("%@ lines of the history could not be read and were skipped.",
                           {countText(static_cast<long long>(history.badLines()))});
    for (const auto& file : history.unreadableFiles())
        notes << locFormat("Could not read %@.", {displayPath(file)});
    if (files_.empty() && !analytics::EventRecorder::shared().isEnabled())
        notes << loc(
            "Keeping a history is switched off in Preferences; new removals are not added.");
    note_->setText(notes.join(QStringLiteral("\n")));
    note_->setVisible(!notes.isEmpty());

    buildChart(history);
    Q_EMIT loaded();
}

void HistoryWindowController::buildChart(const CleaningHistory& history) {
    // Buckets: days for the last month, months otherwise (years once that is too many to read).
    const QDate today = QDate::currentDate();
    categories_.clear();
    auto bucketOf = [&](const std::string& day) -> QString {
        const QString text = QString::fromStdString(day);
        return range_ == Range::lastMonth ? text : text.left(7);
    };
    if (range_ == Range::lastMonth) {
        for (int i = 29; i >= 0; --i)
            categories_ << today.addDays(-i).toString(QStringLiteral("yyyy-MM-dd"));
    } else {
        QDate first(today.year(), today.month(), 1);
        first = first.addMonths(-11);
        if (range_ == Range::allTime) {
            for (const auto& d : history.daily()) {
                const QDate day =
                    QDate::fromString(QString::fromStdString(d.day), QStringLiteral("yyyy-MM-dd"));
                if (day.isValid() && day < first) first = QDate(day.year(), day.month(), 1);
            }
        }
        for (QDate m = first; m <= today; m = m.addMonths(1))
            categories_ << m.toString(QStringLiteral("yyyy-MM"));
    }
    const bool byYear = categories_.size() > 36;
    if (byYear) {
        QStringList years;
        for (const QString& c : categories_)
            if (years.isEmpty() || years.back() != c.left(4)) years << c.left(4);
        categories_ = years;
    }

    std::map<std::string, std::vector<double>> bytes;  // module → per bucket
    double peak = 0;
    std::vector<double> totals(static_cast<std::size_t>(categories_.size()), 0);
    for (const auto& d : history.daily()) {
        const QString bucket = byYear ? bucketOf(d.day).left(4) : bucketOf(d.day);
        const int index = static_cast<int>(categories_.indexOf(bucket));
        if (index < 0) continue;
        auto& series = bytes[d.module];
        series.resize(static_cast<std::size_t>(categories_.size()), 0);
        series[static_cast<std::size_t>(index)] += static_cast<double>(d.bytes);
        totals[static_cast<std::size_t>(index)] += static_cast<double>(d.bytes);
        peak = std::max(peak, totals[static_cast<std::size_t>(index)]);
    }
    const bool gigabytes = peak >= 10e9;
    const double unit = gigabytes ? 1e9 : 1e6;

    QChart* chart = chartView_->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    auto* series = new QStackedBarSeries;
    int colorIndex = 0;
    for (const auto& [module, values] : bytes) {
        auto* set = new QBarSet(loc(CleaningHistory::displayName(module)));
        set->setColor(moduleColor(colorIndex++));
        set->setBorderColor(Qt::transparent);
        for (double v : values) *set << v / unit;
        series->append(set);
    }
    series->setBarWidth(0.7);
    chart->addSeries(series);

    // A label per bar does not fit thirty bars: the bars are labelled in runs, counted back from
    // the newest so the last run ends today, each run named by its first day or month.
    auto* x = new QCategoryAxis;
    const int count = static_cast<int>(categories_.size());
    const int run = std::max(1, (count + 7) / 8);
    x->setRange(-0.5, count - 0.5);
    x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    x->setStartValue(-0.5);
    for (int first = (count - 1) % run - run + 1; first < count; first += run) {
        const int from = std::max(0, first);
        const QString& key = categories_[from];
        QString label = key;
        if (range_ == Range::lastMonth)
            label = QLocale().toString(QDate::fromString(key, QStringLiteral("yyyy-MM-dd")),
                                       QStringLiteral("MMM d"));
        else if (!byYear)
            label = QLocale().toString(
                QDate::fromString(key + QStringLiteral("-01"), QStringLiteral("yyyy-MM-dd")),
                QStringLiteral("MMM yy"));
        x->append(label, first + run - 0.5);
    }
    x->setGridLineVisible(false);
    auto* y = new QValueAxis;
    y->setTitleText(gigabytes ? QStringLiteral("GB") : QStringLiteral("MB"));
    y->setRange(0, peak > 0 ? peak / unit * 1.1 : 1);
    y->setLabelFormat(QStringLiteral("%.0f"));
    y->applyNiceNumbers();
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    chart->legend()->setVisible(!bytes.empty());
}

}  // namespace orvane::app
