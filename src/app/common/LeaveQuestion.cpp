#include "app/common/LeaveQuestion.h"

#include <string>

#include "app/common/Alerts.h"
#include "app/common/Text.h"
#include "app/common/UsageEvents.h"

namespace orvane::app {

void LeaveQuestion::ask(QWidget* window, std::string_view module,
                        std::function<void(bool)> completion) {
    if (open_) return;
    open_ = true;
    askQuestion(window, loc("The scanning results won't be saved if you go Back."), loc("Cancel"),
                confirmText_,
                [this, module = std::string(module), completion = std::move(completion)](bool yes) {
                    open_ = false;
                    usage::sheetAnswer(module, yes);
                    completion(yes);
                });
}

}  // namespace orvane::app
