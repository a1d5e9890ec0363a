#include "cli/RunEvents.h"

#include "core/analytics/Analytics.h"
#include "core/analytics/EventRecorder.h"

namespace orvane::cli {

using namespace analytics;

RunEvents::~RunEvents() { EventRecorder::shared().flush(); }

double RunEvents::secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void RunEvents::scanStarted(std::vector<std::string> labels) {
    scanStart_ = std::chrono::steady_clock::now();
    reportEvent(category::process, module_, action::startScan, std::move(labels));
}

void RunEvents::scanEnded(std::uint64_t foundBytes, bool cancelled) {
    reportEvent(category::process, module_, action::scanEnd,
                labels::scanEnd(secondsSince(scanStart_), foundBytes, cancelled));
}

void RunEvents::removeStarted(std::size_t selectedCount, std::uint64_t selectedBytes) {
    removeStart_ = std::chrono::steady_clock::now();
    reportEvent(category::process, module_, action::removeStart,
                labels::removeStart(selectedCount, selectedBytes));
}

void RunEvents::removeEnded(std::size_t removedCount, std::size_t failedCount,
                            std::uint64_t removedBytes) {
    reportEvent(
        category::process, module_, action::removeEnd,
        labels::removeEnd(removedCount, failedCount, removedBytes, secondsSince(removeStart_)));
}

}  // namespace orvane::cli
