#include "core/support/InstallSource.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace orvane::support {

namespace {
std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Runs a program without a shell and returns what it wrote on standard output (up to 64 KB),
// or nothing when it could not run or failed.
bool runCapturing(const std::vector<std::string>& args, std::string& out) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        return false;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (out.size() < 64 * 1024) out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
}  // namespace

std::string InstallSource::advice() const {
    switch (kind) {
        case Kind::debianPackage:
            return "Orvane was installed from the package \"" + name +
                   "\". Update it with your system's software updater or with: sudo apt install "
                   "--only-upgrade " +
                   name;
        case Kind::flatpak:
            return "Orvane was installed with Flatpak. Update it with your software centre or "
                   "with: flatpak update " +
                   name;
        case Kind::snap:
            return "Orvane was installed as a snap. Snaps update themselves; to update now run: "
                   "sudo snap refresh " +
                   name;
        case Kind::direct: break;
    }
    return "";
}

std::string InstallSource::debianPackageOwning(const std::string& path) {
    std::string out;
    if (path.empty() || !runCapturing({"dpkg-query", "-S", path}, out)) return "";
    // "coreutils: /usr/bin/ls", "libc6:amd64: /lib/x86_64-linux-gnu/libc.so.6"; a diversion line
    // names no owner.
    std::size_t start = 0;
    while (start < out.size()) {
        const std::size_t end = out.find('\n', start);
        const std::string line =
            out.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? out.size() : end + 1;
        if (line.rfind("diversion by", 0) == 0 || line.rfind("local diversion", 0) == 0) continue;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) continue;
        const std::string owner = line.substr(0, colon);
        if (owner.find(',') != std::string::npos || owner.find(' ') != std::string::npos) continue;
        return owner;
    }
    return "";
}

InstallSource InstallSource::detect(const std::string& executablePath, const std::string& root) {
    InstallSource source;
    struct stat st {};
    if (!env("FLATPAK_ID").empty() || ::stat((root + "/.flatpak-info").c_str(), &st) == 0) {
        source.kind = Kind::flatpak;
        source.name = env("FLATPAK_ID").empty() ? "com.orvane.app" : env("FLATPAK_ID");
        return source;
    }
    if (!env("SNAP").empty() && !env("SNAP_NAME").empty()) {
        source.kind = Kind::snap;
        source.name = env("SNAP_NAME");
        return source;
    }
    char resolved[PATH_MAX];
    const std::string path =
        ::realpath(executablePath.c_str(), resolved) ? resolved : executablePath;
    std::string package = debianPackageOwning(path);
    if (!package.empty()) {
        source.kind = Kind::debianPackage;
        source.name = std::move(package);
    }
    return source;
}

}  // namespace orvane::support
