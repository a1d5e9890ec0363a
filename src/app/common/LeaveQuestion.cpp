#include "app/common/LeaveQuestion.h"

#include <QPointer>
#include <QWidget>

#include <string>

#include "app/common/Alerts.h"
#include "app/common/Text.h"
#include "app/common/UsageEvents.h"

namespace orvane::app {

void LeaveQuestion::ask(QWidget* asker, std::string_view module,
                        std::function<void(bool)> completion) {
    if (open_) return;
    open_ = true;
    // The question lives with the window; this object lives with the screen that asks.
    QPointer<QWidget> guard(asker);
    askQuestion(
        asker->window(), loc("The scanning results won't be saved if you go Back."), loc("Cancel"),
        confirmText_,
        [this, guard, module = std::string(module), completion = std::move(completion)](bool yes) {
            usage::sheetAnswer(module, yes);
            if (!guard) return;
            open_ = false;
            completion(yes);
        });
}

}  // namespace orvane::app
