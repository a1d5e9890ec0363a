#pragma once

#include <QWidget>

#include <functional>
#include <vector>

#include "core/junk/CleanBaseModel.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace orvane::app {

// The end of a cleaning: what was freed, and every item that stayed with its reason.
class CleanUpResultViewController : public QWidget {
    Q_OBJECT
public:
    explicit CleanUpResultViewController(QWidget* parent = nullptr);

    // From the models after cleaning: `freed` bytes removed; `stopped` when the user stopped it.
    void showResult(const std::vector<junk::CleanBaseModelPtr>& models, std::uint64_t freed,
                    bool stopped);

    std::function<void()> onBackHomeFromeResult;

    QLabel* titleLabel() const { return title_; }
    QLabel* detailLabel() const { return detail_; }
    QTreeWidget* failureList() const { return failures_; }
    QPushButton* okButton() const { return ok_; }

private:
    QLabel* title_ = nullptr;
    QLabel* detail_ = nullptr;
    QLabel* freed_ = nullptr;
    QTreeWidget* failures_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace orvane::app
