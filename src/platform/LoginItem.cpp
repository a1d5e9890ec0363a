#include "platform/LoginItem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string_view>

#include "kit/Paths.h"
#include "platform/Layout.h"
#include "platform/linux/AutostartLoginItem.h"
#include "platform/mac/LaunchAgentLoginItem.h"

namespace orvane::platform {

std::unique_ptr<LoginItem> makeLoginItem(const Layout& layout, std::string programPath) {
    if (layout.kind == Layout::Kind::macOS)
        return std::make_unique<LaunchAgentLoginItem>(layout.loginItemFile, std::move(programPath),
                                                      std::string(kit::launchHelperBundleId));
    return std::make_unique<AutostartLoginItem>(layout.loginItemFile, std::move(programPath));
}

std::string loginItemProgram(const std::string& runningProgram, const char* searchPath) {
    const std::string name = kit::directoryName(runningProgram);
    if (!searchPath || name.empty() || name == "/") return runningProgram;
    std::string_view rest = searchPath;
    while (true) {
        const std::size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        // An empty entry means the current folder, which says nothing about an installation.
        if (!folder.empty() && folder.front() == '/') {
            const std::string candidate = kit::joinPath(folder, name);
            struct stat st {};
            if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                ::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }
    return runningProgram;
}

}  // namespace orvane::platform
