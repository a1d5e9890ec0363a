#include "kit/Resources.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "kit/Paths.h"

namespace orvane::kit {

namespace {

bool isFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string executableFolder() {
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return {};
    buffer.resize(static_cast<std::size_t>(n));
    return parentPath(buffer);
}

}  // namespace

std::optional<std::string> resourceFile(std::string_view relative) {
    std::vector<std::string> folders;
    if (const char* dir = std::getenv("ORVANE_RESOURCE_DIR"); dir && *dir == '/')
        folders.emplace_back(dir);
    if (const std::string exe = executableFolder(); !exe.empty()) {
        folders.push_back(exe + "/../share/orvane");
        folders.push_back(exe + "/resources");
    }
#ifdef ORVANE_SOURCE_RESOURCE_DIR
    folders.emplace_back(ORVANE_SOURCE_RESOURCE_DIR);
#endif
    for (const std::string& folder : folders) {
        const std::string candidate = joinPath(folder, relative);
        if (isFile(candidate)) return candidate;
    }
    return std::nullopt;
}

}  // namespace orvane::kit
