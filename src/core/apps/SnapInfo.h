#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::apps {

// What snapd left on disk about an installed snap.
struct SnapInfo {
    std::string version;
    // The downloaded images of its revisions: what the snap really takes on disk.
    std::uint64_t imagesSize = 0;

    // Reads <mount>/<name>/current/meta/snap.yaml and sums <images>/<name>_<revision>.snap.
    static SnapInfo read(const std::string& mountFolder, const std::string& imagesFolder,
                         const std::string& name);
    // The top-level "version:" of a snap.yaml, unquoted; "" when absent.
    static std::string yamlVersion(std::string_view yaml);
};

}  // namespace orvane::apps
