// Any text arriving through the engine's two callbacks: the photo driver must skip what is
// malformed, piece by piece, without a crash, and every group it keeps must hold images.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "core/photos/ScanImagesManager.h"

namespace {

orvane::photos::ScanImagesManager& manager() {
    static auto* m = [] {
        orvane::photos::ScanImagesManager::Environment env;
        env.preferencesFile = "/nonexistent/PreferenceInfo.plist";
        env.logDirectory = "/tmp";
        env.homeDirectory = "/tmp";
        env.layout = orvane::platform::Layout::linuxLayout();
        return new orvane::photos::ScanImagesManager(env);
    }();
    return *m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the callback, the rest is its text.
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    auto& m = manager();
    if (data[0] & 1) {
        m.progressDidChanged(text, data[0] >> 1 & 3);
    } else {
        m.jsonDataDidChanged(text);
        for (const auto& g : m.dupImages())
            if (g->dupImageItems.empty() ||
                g->groupCount != static_cast<int>(g->dupImageItems.size()))
                std::abort();
    }
    if (m.dupImages().size() > 1000) m.removeDupimagesArray();
    return 0;
}
