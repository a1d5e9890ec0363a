#pragma once

#include <QDialog>
#include <vector>

#include "core/apps/AppCleaningLog.h"

class QTreeWidget;

namespace orvane::app {

class AppIcons;

// The Cleaning Log sheet: one row per application of the run with its icon, name, the size
// removed and a success or failure mark; under it, each item with what became of it and why.
class AppCleaningLogDialog : public QDialog {
    Q_OBJECT
public:
    AppCleaningLogDialog(const std::vector<apps::AppCleaningLog>& logs, AppIcons& icons,
                         QWidget* parent = nullptr);
    QTreeWidget* tree() const { return tree_; }

private:
    QTreeWidget* tree_ = nullptr;
};

}  // namespace orvane::app
