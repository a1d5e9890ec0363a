#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/junk/JunkTypes.h"

namespace orvane::junk {

class RuleEnvironment;

// A file that starts something at login for an application that is gone.
struct UnusedArtifact {
    std::string path;
    std::string bundleIdentifier;
    std::string displayName;
    SystemJunkType type = SystemJunkType::noUseLoginItems;
};

// Finds login items whose application was removed: launch agents and daemons on macOS; on a
// freedesktop system the user's autostart entries and systemd user units whose program no
// longer exists. Entries of other users and of the system are never reported.
class UnusedArtifactDetector {
public:
    explicit UnusedArtifactDetector(const RuleEnvironment& env);

    // `installedBundles`: identifiers of the installed applications (any case).
    std::vector<UnusedArtifact> collectUnusedLoginItemArtifacts(
        const std::set<std::string>& installedBundles) const;

    // Trimmed, one pair of surrounding double quotes removed, a leading "~" expanded.
    static std::string sanitizeExecutablePath(const std::string& text, const std::string& home);
    // Not empty, holds a ".", holds no blank.
    static bool isLikelyBundleIdentifier(const std::string& identifier);
    // The identifier's last component in words: "com.example.disk-helper" → "Disk Helper".
    static std::string displayName(const std::string& identifier);
    // The application bundle holding an executable ("/A/X.app/Contents/MacOS/x" → "/A/X.app").
    static std::optional<std::string> containingAppPath(const std::string& executable);

private:
    std::vector<UnusedArtifact> launchAgents(const std::set<std::string>& installed) const;
    std::vector<UnusedArtifact> freedesktopEntries(const std::set<std::string>& installed) const;
    bool programExists(const std::string& program) const;

    const RuleEnvironment& env_;
};

}  // namespace orvane::junk
