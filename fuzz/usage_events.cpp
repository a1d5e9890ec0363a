// The events file is read back by the History window and `orvane history`; anything may have
// been written into it (a torn write, another program, a person with an editor).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/analytics/CleaningHistory.h"
#include "core/analytics/EventLabels.h"
#include "core/analytics/UsageEvent.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orvane::analytics;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto event = UsageEvent::fromJsonLine(text)) (void)UsageEvent::fromJsonLine(event->toJsonLine());

    CleaningHistory history({0, 5, 4096});
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find('\n', start);
        history.addLine(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    (void)history.totalsByModule();
    (void)history.daily();

    std::uint64_t n = 0;
    double d = 0;
    (void)labels::parseMegabytes(text, n);
    (void)labels::parseCount(text, n);
    (void)labels::parseElapsedTime(text, d);
    (void)CleaningHistory::parseDate(text, d);
    return 0;
}
