#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Layout.h"

namespace orvane::apps {

// The macOS metadata index, asked through its command-line tools: where the copies of a bundle
// are, how large a bundle is and when it was last used. A layout without the tools (freedesktop)
// gets empty answers without running anything.
class SpotlightTools {
public:
    explicit SpotlightTools(const platform::Layout& layout)
        : finder_(layout.metadataFinder), lister_(layout.metadataLister) {}

    // Every application bundle with this identifier, in the index's order.
    std::vector<std::string> allAppPathsByMDFind(const std::string& bundleID) const;
    // The index's size of an item; 0 when it has none or the tool fails.
    std::uint64_t mdlsFileSize(const std::string& path) const;
    // The lister's text for the last-used date of an item; nothing when it cannot run.
    std::optional<std::string> mdlsLastUsed(const std::string& path) const;
    // Seconds since 1970 from that text ("kMDItemLastUsedDate = 2024-01-05 10:20:30 +0000");
    // nothing when it holds no date.
    static std::optional<double> parseLastUsed(std::string text);

private:
    std::string finder_;
    std::string lister_;
};

}  // namespace orvane::apps
