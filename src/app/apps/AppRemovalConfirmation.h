#pragma once

#include <QDialog>
#include <vector>

#include "core/apps/AppModel.h"
#include "core/apps/AptRemovalPlan.h"
#include "platform/Layout.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace orvane::app {

// Asks before a removal, naming what will go and its size: each app with its ticked items and
// who removes them, what apt would take away, and the packages it refuses and why.
class AppRemovalConfirmation : public QDialog {
    Q_OBJECT
public:
    AppRemovalConfirmation(const std::vector<apps::AppModelPtr>& apps, bool residual,
                           const apps::AptRemovalPlan& plan, const platform::Layout& layout,
                           QWidget* parent = nullptr);

    QLabel* question() const { return question_; }
    QTreeWidget* list() const { return list_; }
    QLabel* aptNote() const { return apt_; }
    QPushButton* confirmButton() const { return confirm_; }

    // The apps with at least one ticked record.
    static std::vector<apps::AppModelPtr> tickedApps(const std::vector<apps::AppModelPtr>& list);

private:
    QLabel* question_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QLabel* apt_ = nullptr;
    QPushButton* confirm_ = nullptr;
};

}  // namespace orvane::app
