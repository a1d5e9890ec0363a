#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/analytics/EventLabels.h"
#include "core/analytics/EventNames.h"

// The one door for usage events. Every call returns at once and never fails visibly: the event
// is queued for the local recorder (EventRecorder), nothing is sent anywhere, nothing waits for
// it. Safe from any thread.
namespace orvane::analytics {

using Labels = std::vector<std::string>;

// The full form: category, module, count, the category again, action, labels. An empty label
// list is stored as one empty label, so every event has at least one.
void AsyncCoreFuncReport(std::string_view category, std::string_view module, int count,
                         std::string_view category2, std::string_view action, Labels labels);

// The older three-text form (group, action, label), used by the similar-photo removal engine.
void KelAsyncGALog(std::string_view group, std::string_view action, std::string_view label);

// The call screens make: count 1 and the category in both places.
//   analytics::reportEvent(category::process, module::cleanup, action::removeEnd,
//                          labels::removeEnd(removed, failed, bytes, seconds));
void reportEvent(std::string_view category, std::string_view module, std::string_view action,
                 Labels labels);

}  // namespace orvane::analytics
