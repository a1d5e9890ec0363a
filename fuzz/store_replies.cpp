// Any bytes in place of what the stores answer: the lookup service's JSON reply (and the
// update it yields over an installed version), and the package tools' lists of updates and of
// what apt would remove. The first byte picks the reader; none may crash, and what they return
// is bounded by their input.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "core/apps/AppStoreLookup.h"
#include "core/apps/AptRemovalPlan.h"
#include "core/apps/FlatpakTool.h"
#include "core/apps/SnapTool.h"

using namespace orvane::apps;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 5) {
        case 0: {
            const LookupReply reply = AppStoreLookup::parseReply(200, text);
            if (!reply.result == !reply.error) std::abort();
            if (reply.result) {
                auto info = AppStoreLookup::updateInfoFrom(*reply.result, "1.0");
                if (info && info->latestVersion.size() > text.size()) std::abort();
            }
            break;
        }
        case 1: {
            const auto split = text.find('\n');
            const std::string_view a = text.substr(0, split);
            const std::string_view b =
                split == std::string_view::npos ? "" : text.substr(split + 1);
            if (AppStoreLookup::compareVersions(a, b) != -AppStoreLookup::compareVersions(b, a))
                std::abort();
            break;
        }
        case 2:
            if (FlatpakTool::parseUpdates(text).size() > text.size()) std::abort();
            (void)FlatpakTool::percentIn(text);
            (void)FlatpakTool::parseSize(text);
            break;
        case 3:
            if (SnapTool::parseRefreshList(text).size() > text.size()) std::abort();
            (void)SnapTool::parseSize(text);
            break;
        case 4: {
            bool essential = false;
            for (const std::string& name : AptRemovalPlan::parseSimulation(text, &essential))
                if (!AptRemovalPlan::isPackageName(name)) std::abort();
            break;
        }
    }
    return 0;
}
