#pragma once

#include <QString>

#include <functional>

class QMessageBox;
class QWidget;

namespace orvane::app {

// Questions and alerts are window-modal and answer through a callback instead of a nested event
// loop, so a scan or a removal keeps reporting while the user reads, and tests can answer them.

// Asks `text` with a cancelling and a confirming button; `done(true)` for the confirming one.
// Closing the box any other way counts as cancel.
QMessageBox* askQuestion(QWidget* parent, const QString& text, const QString& cancelText,
                         const QString& confirmText, std::function<void(bool)> done,
                         const QString& details = {});
// Shows `text` with one button; `done` (optional) runs when it closes.
QMessageBox* showAlert(QWidget* parent, const QString& text, const QString& buttonText,
                       std::function<void()> done = {}, const QString& details = {});

// True while `window` (or any window) already shows one of our sheets, so a second is not
// stacked on top of it.
bool hasOpenSheet(QWidget* window);

}  // namespace orvane::app
