#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "core/analytics/EventRecorder.h"
#include "core/analytics/UsageEvent.h"

namespace orvane::testing {

// Every usage event handed to the recorder so far, in order, as read back from its file.
inline std::vector<analytics::UsageEvent> recordedEvents() {
    auto& recorder = analytics::EventRecorder::shared();
    recorder.flush();
    std::ifstream in(recorder.path());
    std::vector<analytics::UsageEvent> events;
    for (std::string line; std::getline(in, line);)
        if (auto event = analytics::UsageEvent::fromJsonLine(line)) events.push_back(*event);
    return events;
}

// "Category/Module/Action" of each event, to compare a run with its expected moments at a glance.
inline std::vector<std::string> eventMoments(const std::vector<analytics::UsageEvent>& events) {
    std::vector<std::string> out;
    for (const auto& e : events) out.push_back(e.category + "/" + e.module + "/" + e.action);
    return out;
}

}  // namespace orvane::testing
