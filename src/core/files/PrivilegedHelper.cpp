#include "core/files/PrivilegedHelper.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/files/HelperProtocol.h"
#include "core/files/RemovalJournal.h"
#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/Paths.h"

extern char** environ;

namespace orvane::files {

namespace protocol = helper_protocol;

namespace {

bool isExecutable(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string findOnPath(const std::string& name) {
    if (name.find('/') != std::string::npos) return isExecutable(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/bin:/bin";
    while (!dirs.empty()) {
        const std::size_t colon = dirs.find(':');
        const std::string dir(dirs.substr(0, colon));
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
        if (dir.empty()) continue;
        const std::string candidate = dir + "/" + name;
        if (isExecutable(candidate)) return candidate;
    }
    return {};
}

std::string programFolder() {
    char buf[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0) return {};
    return kit::parentPath(std::string(buf, static_cast<std::size_t>(n)));
}

}  // namespace

PrivilegedHelper& PrivilegedHelper::shared() {
    static PrivilegedHelper instance;
    return instance;
}

PrivilegedHelper::PrivilegedHelper() = default;

PrivilegedHelper::~PrivilegedHelper() { release(); }

std::string PrivilegedHelper::installedHelperPath() {
    // An installed program finds the helper of its own prefix (bin/../libexec/orvane).
    const std::string folder = programFolder();
    if (!folder.empty()) {
        const std::string beside = kit::parentPath(folder) + "/" ORVANE_HELPER_RELATIVE_PATH;
        char resolved[PATH_MAX];
        if (isExecutable(beside) && ::realpath(beside.c_str(), resolved)) return resolved;
    }
    if (isExecutable(ORVANE_HELPER_INSTALL_PATH)) return ORVANE_HELPER_INSTALL_PATH;
    return {};
}

void PrivilegedHelper::setLauncher(std::vector<std::string> argv) {
    std::lock_guard lock(mutex_);
    launcher_ = std::move(argv);
}

bool PrivilegedHelper::isAuthorized() const {
    std::lock_guard lock(mutex_);
    return authorized_;
}

std::string PrivilegedHelper::lastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

std::string PrivilegedHelper::exitDescription(int status) const {
    if (WIFEXITED(status)) {
        switch (WEXITSTATUS(status)) {
            case 126:
                return kit::localized(
                    "The administrator password prompt was dismissed, so nothing in the "
                    "protected places was removed.");
            case 127:
                return kit::localized(
                    "Administrator rights were not granted: the password was refused or no "
                    "authentication agent is running.");
            default:
                return kit::formatLocalized("The administrator helper stopped (status %@).",
                                            {std::to_string(WEXITSTATUS(status))});
        }
    }
    if (WIFSIGNALED(status))
        return kit::formatLocalized("The administrator helper was ended by signal %@.",
                                    {std::to_string(WTERMSIG(status))});
    return kit::localized("The administrator helper stopped unexpectedly.");
}

bool PrivilegedHelper::initialize() {
    std::lock_guard lock(mutex_);
    if (authorized_) return true;
    stopLocked();
    lastError_.clear();

    std::vector<std::string> argv = launcher_;
    if (argv.empty()) {
        const std::string helper = installedHelperPath();
        if (helper.empty()) {
            lastError_ = kit::formatLocalized(
                "The Orvane administrator helper is not installed (expected at %@); install "
                "Orvane to remove files in protected places.",
                {ORVANE_HELPER_INSTALL_PATH});
            return false;
        }
        argv = {"pkexec", helper};
    }
    if (argv.front() == "pkexec" && findOnPath("pkexec").empty()) {
        lastError_ = kit::localized(
            "pkexec is not installed; it is needed to remove files in protected places. Install "
            "the pkexec package.");
        return false;
    }

    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        lastError_ = std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        lastError_ = kit::formatLocalized("The administrator helper could not be started: %@",
                                          {std::strerror(spawned)});
        return false;
    }
    pid_ = pid;
    socket_ = fds[0];

    // The first answer arrives once pkexec has the user's consent and the helper runs.
    std::string error;
    const bool sent = protocol::writeMessage(socket_, {std::string(protocol::kHello)});
    const auto reply = sent ? protocol::readMessage(socket_, &error) : std::nullopt;
    if (!reply || reply->size() != 2 || (*reply)[0] != "ok") {
        ::shutdown(socket_, SHUT_RDWR);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
        pid_ = -1;
        ::close(socket_);
        socket_ = -1;
        lastError_ = reply && reply->size() == 2 ? (*reply)[1] : exitDescription(status);
        ORVANE_LOG("administrator helper not available: " + lastError_);
        return false;
    }
    authorized_ = true;
    ORVANE_LOG("administrator helper ready: " + (*reply)[1]);
    return true;
}

HelperReply PrivilegedHelper::ask(const std::vector<std::string>& fields) {
    if (!authorized_ || socket_ < 0)
        return {false, kit::localized("Administrator rights have not been obtained.")};
    std::string error;
    if (protocol::writeMessage(socket_, fields)) {
        if (auto reply = protocol::readMessage(socket_, &error); reply && reply->size() == 2)
            return {(*reply)[0] == "ok", (*reply)[1]};
    }
    // A helper that breaks off mid-conversation is not trusted with the next request.
    stopLocked();
    lastError_ = kit::localized("The administrator helper stopped unexpectedly.");
    return {false, lastError_};
}

HelperReply PrivilegedHelper::removePath(const std::string& path,
                                         std::optional<FileIdentity> expected) {
    std::lock_guard lock(mutex_);
    if (!authorized_)
        return {false, kit::localized("Administrator rights have not been obtained.")};
    // Written down before it goes, like every other removal; what the user cannot read is
    // recorded with what can be seen of it.
    struct stat st {};
    const bool seen = ::lstat(path.c_str(), &st) == 0;
    static RemovalJournal journal;
    std::string journalError;
    if (!journal.record("delete", path, seen ? static_cast<std::uint64_t>(st.st_size) : 0,
                        seen ? st.st_mode : 0, "", &journalError))
        return {false, kit::formatLocalized("“%@” was left in place: %@",
                                            {kit::displayPath(path), journalError})};
    protocol::HelperRequest request;
    request.kind = protocol::HelperRequest::Kind::remove;
    request.path = path;
    if (expected) {
        request.device = expected->device;
        request.inode = expected->inode;
    }
    return ask(protocol::requestFields(request));
}

HelperReply PrivilegedHelper::removePackages(const std::vector<std::string>& names) {
    std::lock_guard lock(mutex_);
    protocol::HelperRequest request;
    request.kind = protocol::HelperRequest::Kind::removePackages;
    request.packages = names;
    if (names.empty()) return {false, kit::localized("No package was named.")};
    return ask(protocol::requestFields(request));
}

void PrivilegedHelper::stopLocked() {
    authorized_ = false;
    if (socket_ >= 0) {
        // The helper ends at the end of its input; it runs as another user, so it is asked, not
        // killed.
        ::shutdown(socket_, SHUT_WR);
        ::close(socket_);
        socket_ = -1;
    }
    if (pid_ > 0) {
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (::waitpid(pid_, &status, WNOHANG) == 0 &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        pid_ = -1;
    }
}

void PrivilegedHelper::release() {
    std::lock_guard lock(mutex_);
    stopLocked();
}

}  // namespace orvane::files
