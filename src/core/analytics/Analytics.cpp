#include "core/analytics/Analytics.h"

#include <chrono>

#include "core/analytics/EventRecorder.h"

namespace orvane::analytics {

namespace {
double now() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}
}  // namespace

void AsyncCoreFuncReport(std::string_view category, std::string_view module, int count,
                         std::string_view /*category2*/, std::string_view action, Labels labels) {
    if (labels.empty()) labels.emplace_back();
    UsageEvent event;
    event.time = now();
    event.category = category;
    event.module = module;
    event.count = count;
    event.action = action;
    event.labels = std::move(labels);
    EventRecorder::shared().record(std::move(event));
}

void KelAsyncGALog(std::string_view group, std::string_view action, std::string_view label) {
    AsyncCoreFuncReport(group, "", 1, group, action, {std::string(label)});
}

void reportEvent(std::string_view category, std::string_view module, std::string_view action,
                 Labels labels) {
    AsyncCoreFuncReport(category, module, 1, category, action, std::move(labels));
}

}  // namespace orvane::analytics
