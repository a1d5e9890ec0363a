#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "core/analytics/CleaningHistory.h"

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QTreeWidget;

namespace orvane::app {

// The History window: space reclaimed per module over time as a stacked bar chart, the latest
// removals with their counts and sizes, and the totals, all read from the usage events this
// computer recorded. Reading happens off the GUI thread; a long history never freezes the window.
class HistoryWindowController : public QWidget {
    Q_OBJECT
public:
    enum class Range { lastMonth = 0, lastYear = 1, allTime = 2 };

    // `files` empty: the recorder's own files.
    explicit HistoryWindowController(QWidget* parent = nullptr,
                                     std::vector<std::string> files = {});

    void setRange(Range range);
    Range range() const { return range_; }
    // Reads the files again (the window refreshes itself whenever it is shown).
    void reload();
    bool isLoading() const { return loading_; }

    // What the window shows, for tests and accessibility.
    QString totalsText() const;
    QString noteText() const;
    QTreeWidget* removalList() const { return removals_; }
    QChart* chart() const;
    // Bar categories (days or months) and, per module display name, the megabytes of each.
    QStringList chartCategories() const { return categories_; }

Q_SIGNALS:
    void loaded();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void present(const analytics::CleaningHistory& history);
    void buildChart(const analytics::CleaningHistory& history);

    std::vector<std::string> files_;
    Range range_ = Range::lastMonth;
    bool loading_ = false;
    bool reloadAgain_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    QComboBox* rangeBox_ = nullptr;
    QLabel* totals_ = nullptr;
    QLabel* note_ = nullptr;
    QChartView* chartView_ = nullptr;
    QTreeWidget* removals_ = nullptr;
    QStringList categories_;
};

}  // namespace orvane::app
