#include "core/analytics/UsageEvent.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace orvane::analytics {

namespace {
using nlohmann::json;

bool readString(const json& object, const char* key, std::string& out) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string()) return false;
    out = it->get<std::string>();
    return true;
}
}  // namespace

std::string UsageEvent::toJsonLine() const {
    json object = {{"time", time},   {"category", category}, {"module", module},
                   {"count", count}, {"action", action},     {"labels", labels}};
    std::string line = object.dump(-1, ' ', false, json::error_handler_t::replace);
    line += '\n';
    return line;
}

std::optional<UsageEvent> UsageEvent::fromJsonLine(std::string_view line) {
    json object = json::parse(line, nullptr, false);
    if (object.is_discarded() || !object.is_object()) return std::nullopt;
    UsageEvent event;
    const auto time = object.find("time");
    if (time == object.end() || !time->is_number()) return std::nullopt;
    event.time = time->get<double>();
    if (!std::isfinite(event.time)) return std::nullopt;
    if (!readString(object, "category", event.category) ||
        !readString(object, "module", event.module) || !readString(object, "action", event.action))
        return std::nullopt;
    const auto count = object.find("count");
    if (count != object.end()) {
        if (!count->is_number_integer()) return std::nullopt;
        event.count = count->get<std::int64_t>();
    }
    const auto labels = object.find("labels");
    if (labels == object.end() || !labels->is_array()) return std::nullopt;
    for (const json& label : *labels) {
        if (!label.is_string()) return std::nullopt;
        event.labels.push_back(label.get<std::string>());
    }
    return event;
}

}  // namespace orvane::analytics
