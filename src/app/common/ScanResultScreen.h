#pragma once

#include <QWidget>

#include <functional>

class QAbstractButton;

namespace orvane::app {

// What a folder-scanning module shows once its targets are chosen: the scan, its results, their
// removal and what it did. The module's root screen drives it through this.
class ScanResultScreen : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Scanning or removing: the module is not left meanwhile.
    virtual bool isBusy() const = 0;
    // True when the screen holds results the user would lose by going back.
    virtual bool hasResults() const = 0;
    // Drops the results (a new scan or leaving the module).
    virtual void dropResults() = 0;
    // Ends running work for good and waits for it (the program is quitting).
    virtual void stopWork() = 0;

    // The module list is disabled while scanning or removing.
    std::function<void(bool enabled)> setListEnabled;
    // The user asked to go back to choosing targets.
    std::function<void()> backBlock;

protected:
    // `button` asks to go back to choosing targets.
    void goesBack(QAbstractButton* button);
};

}  // namespace orvane::app
