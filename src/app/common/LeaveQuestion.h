#pragma once

#include <QString>

#include <functional>
#include <string_view>

class QWidget;

namespace orvane::app {

// The question a module asks before it drops scan results the user has not acted on: "The
// scanning results won't be saved if you go Back.". The answer is recorded as a usage event of
// the asking module. One question at a time: a request while one is open is dropped, since the
// open one's answer decides.
class LeaveQuestion {
public:
    // `confirmText` names the confirming button; the cancelling one is "Cancel".
    explicit LeaveQuestion(QString confirmText) : confirmText_(std::move(confirmText)) {}

    // Asks over the window of `asker`; `completion` gets the answer unless `asker` is gone by then.
    void ask(QWidget* asker, std::string_view module, std::function<void(bool)> completion);

private:
    QString confirmText_;
    bool open_ = false;
};

}  // namespace orvane::app
