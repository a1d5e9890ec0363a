#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/files/ResourceValueURL.h"

namespace orvane::settings {
class PerferenceInfo;
}

namespace orvane::files {

// Which roots a scan may walk and which files it leaves out: the rules every module's scan
// obeys, so a system folder or a white-listed path is skipped the same way whichever screen
// started the scan. A value: each scan makes one from its settings snapshot and keeps it.
class ScanRules {
public:
    // `homeDirectory` "" means the user's own (kit::customHomeDirectory()); a null `preference`
    // lets every file through.
    explicit ScanRules(std::string homeDirectory = {},
                       std::shared_ptr<const settings::PerferenceInfo> preference = nullptr);

    // The roots a scan really walks: system places, other users' folders and kernel views left
    // out; the rest kept as given.
    std::vector<std::string> cleanRoots(const std::vector<std::string>& roots) const;
    // True when the path is on the white list, or below an entry of it and reachable from that
    // entry by walking (real folders all the way, the path itself existing).
    bool whitePathIgnore(const std::string& url) const;
    // True when the settings leave this file out: listed, a kind not chosen, outside the size
    // bounds, empty or hidden when those are omitted.
    bool ignoreFile(std::string_view url, std::int64_t size, const ResourceValues& values) const;
    // True when any component of the path ends in ".framework": bundles are one thing to the
    // user, never a place to find files in.
    static bool isInsideFramework(std::string_view url);
    // True for the extensions no scan lists (code, configuration, libraries).
    static bool ignoresExtension(std::string_view extension);
    // True for the kernel's views (/proc, /sys, /dev, /run) and what lies below them: walking
    // "/" must not wander through them.
    static bool isPseudoFileSystemPath(std::string_view path);

    const std::string& homeDirectory() const { return home_; }
    const std::shared_ptr<const settings::PerferenceInfo>& preference() const {
        return preference_;
    }

private:
    std::string home_;
    std::shared_ptr<const settings::PerferenceInfo> preference_;
};

}  // namespace orvane::files
