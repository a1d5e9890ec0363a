#pragma once

#include <QWidget>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/files/RemoveType.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace orvane::app {

// What a removal did: how many files and bytes went, and every file that stayed with the reason.
class RemoveFinishedView : public QWidget {
    Q_OBJECT
public:
    struct Failure {
        std::string path;
        std::string reason;
    };

    explicit RemoveFinishedView(QWidget* parent = nullptr);

    // `type` is how the files went (the Trash, deleted, a folder), which the summary says.
    void showResult(long long removedCount, std::uint64_t removedSize, bool interrupted,
                    const std::vector<Failure>& failures,
                    const std::optional<files::RemoveType>& type = std::nullopt);

    QLabel* iconLabel() const { return icon_; }
    QLabel* titleLabel() const { return title_; }
    QLabel* failureTitleLabel() const { return failureTitle_; }
    QLabel* detailLabel() const { return detail_; }
    QTreeWidget* failureList() const { return failures_; }
    QPushButton* doneButton() const { return done_; }
    QPushButton* newScanButton() const { return newScan_; }

private:
    QLabel* icon_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* detail_ = nullptr;
    QLabel* failureTitle_ = nullptr;
    QTreeWidget* failures_ = nullptr;
    QPushButton* done_ = nullptr;
    QPushButton* newScan_ = nullptr;
};

}  // namespace orvane::app
