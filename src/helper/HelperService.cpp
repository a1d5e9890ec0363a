#include "helper/HelperService.h"

#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/files/RemovalGuard.h"
#include "core/files/TreeRemoval.h"
#include "kit/Paths.h"
#include "platform/Layout.h"

extern char** environ;

namespace orvane::helper {

namespace {

std::string quoted(std::string_view path) { return "“" + kit::displayPath(path) + "”"; }

ServiceReply refused(std::string message) { return {false, std::move(message)}; }

std::string resolvedFd(int fd) {
    char buf[PATH_MAX + 1];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), buf, PATH_MAX);
    if (n <= 0) return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

std::string lastLines(const std::string& text, std::size_t maxLines) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        if (end > at) lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    std::string tail;
    for (std::size_t i = lines.size() > maxLines ? lines.size() - maxLines : 0; i < lines.size();
         ++i)
        tail += (tail.empty() ? "" : "\n") + lines[i];
    return kit::displayPath(tail);
}

}  // namespace

HelperService::HelperService(HelperPolicy policy) : policy_(std::move(policy)) {
    for (const std::string& location : policy_.protectedLocations()) {
        char buf[PATH_MAX];
        if (::realpath(location.c_str(), buf)) resolvedLocations_.emplace_back(buf);
    }
}

ServiceReply HelperService::handle(const files::helper_protocol::HelperRequest& request) const {
    using Kind = files::helper_protocol::HelperRequest::Kind;
    switch (request.kind) {
        case Kind::hello: return {true, "orvane-helper " ORVANE_VERSION};
        case Kind::remove: return removePath(request.path, request.device, request.inode);
        case Kind::removePackages: return removePackages(request.packages);
    }
    return refused("Unknown request.");
}

ServiceReply HelperService::removePath(const std::string& path,
                                       const std::optional<std::uint64_t>& device,
                                       const std::optional<std::uint64_t>& inode) const {
    const HelperPolicy::Verdict verdict = policy_.checkPath(path);
    if (!verdict.ok) return refused(verdict.reason);
    const std::string& target = verdict.normalized;

    // Every component is opened with O_NOFOLLOW from "/", so a link anywhere on the way stops
    // the walk instead of leading it elsewhere.
    files::GuardResult g = files::RemovalGuard::open(target);
    if (!g) {
        switch (g.refusal) {
            case files::GuardRefusal::missing: return {true, quoted(target) + " was already gone."};
            case files::GuardRefusal::linkOnPath:
                return refused(quoted(target) +
                               " was refused: it, or a folder above it, is a symbolic link.");
            default:
                return refused(quoted(target) + " could not be reached: " +
                               (g.error ? std::strerror(g.error) : g.reason));
        }
    }
    const files::GuardedItem& item = *g.item;

    // The folder actually reached must still be inside a protected location, whatever a bind
    // mount or a renamed folder did to the names on the way.
    const std::string parent = resolvedFd(item.parent.get());
    bool inside = false;
    for (const std::string& location : resolvedLocations_)
        inside = inside || platform::isPathInside(parent, location);
    if (!inside)
        return refused(quoted(target) + " was refused: the folder holding it resolves to " +
                       quoted(parent.empty() ? "an unknown place" : parent) +
                       ", outside the protected locations.");

    if ((device && *device != static_cast<std::uint64_t>(item.st.st_dev)) ||
        (inode && *inode != static_cast<std::uint64_t>(item.st.st_ino)))
        return refused(quoted(target) + " was refused: it has been replaced since it was found.");
    if (!S_ISREG(item.st.st_mode) && !S_ISDIR(item.st.st_mode))
        return refused(quoted(target) +
                       " was refused: only regular files and folders are removed, not links, "
                       "sockets, pipes or devices.");
    if (S_ISDIR(item.st.st_mode)) {
        struct stat parentSt {};
        if (::fstat(item.parent.get(), &parentSt) != 0 || parentSt.st_dev != item.st.st_dev)
            return refused(quoted(target) + " was refused: it is a mount point.");
    }
    const int e = files::removeGuardedItem(item);
    if (e == EXDEV)
        return refused(quoted(target) +
                       " was not removed completely: a file system is mounted inside it.");
    if (e) return refused(quoted(target) + " could not be removed: " + std::strerror(e));
    return {true, "Removed " + quoted(target) + "."};
}

ServiceReply HelperService::removePackages(const std::vector<std::string>& names) const {
    if (names.empty()) return refused("No package was named.");
    for (const std::string& name : names)
        if (!HelperPolicy::isDebianPackageName(name))
            return refused(quoted(name) + " is not a valid Debian package name.");
    // apt-get reads some names as patterns or as "install this" (a trailing '+') when no package
    // has that exact name; asking dpkg first leaves apt-get only exact, installed names.
    for (const std::string& name : names) {
        std::string status;
        const int rc = runTool({"dpkg-query", "-W", "-f=${db:Status-Abbrev}", "--", name}, &status);
        if (rc != 0 || status.size() < 2 || status[1] == 'n' || status[1] == 'c')
            return refused("The package " + quoted(name) + " is not installed.");
    }
    std::vector<std::string> argv{"apt-get", "remove", "-y", "--"};
    argv.insert(argv.end(), names.begin(), names.end());
    std::string output;
    const int rc = runTool(argv, &output);
    if (rc == 0) {
        std::string list;
        for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
        return {true, "Removed the packages " + list + "."};
    }
    const std::string tail = lastLines(output, 6);
    return refused(
        "apt-get could not remove the packages" +
        (rc < 0 ? std::string(" (it could not be run)") : " (status " + std::to_string(rc) + ")") +
        (tail.empty() ? "." : ":\n" + tail));
}

int runTool(const std::vector<std::string>& argv, std::string* output) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // apt-get must never stop to ask: there is nobody at its terminal.
    std::vector<std::string> envStrings{"DEBIAN_FRONTEND=noninteractive"};
    for (char** e = environ; e && *e; ++e)
        if (std::strncmp(*e, "DEBIAN_FRONTEND=", 16) != 0) envStrings.emplace_back(*e);
    std::vector<char*> env;
    for (std::string& s : envStrings) env.push_back(s.data());
    env.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        if (output) *output = std::string(argv[0]) + ": " + std::strerror(spawned);
        return -1;
    }
    std::string collected;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        collected.append(buf, static_cast<std::size_t>(n));
        constexpr std::size_t kKeep = 64 * 1024;
        if (collected.size() > 2 * kKeep) collected.erase(0, collected.size() - kKeep);
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    if (output) *output = std::move(collected);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace orvane::helper
