#include "core/analytics/EventRecorder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/settings/UserDefaults.h"
#include "kit/DispatchQueue.h"
#include "kit/Log.h"
#include "kit/Paths.h"

namespace orvane::analytics {

namespace {
constexpr const char* kFileName = "events.jsonl";

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

bool writeAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}
}  // namespace

EventRecorder& EventRecorder::shared() {
    static EventRecorder recorder(Options{});
    return recorder;
}

std::string EventRecorder::defaultPath() { return kit::joinPath(kit::logDirectory(), kFileName); }

EventRecorder::EventRecorder(Options options)
    : options_(std::move(options)),
      queue_(std::make_unique<kit::DispatchQueue>("com.orvane.events")) {
    if (options_.keptFiles < 1) options_.keptFiles = 1;
}

EventRecorder::~EventRecorder() { flush(); }

bool EventRecorder::isEnabled() const {
    if (options_.enabled) return options_.enabled();
    return settings::UserDefaults::standard().boolForKey(recordUsageEventsKey).value_or(true);
}

std::string EventRecorder::path() const {
    return options_.path.empty() ? defaultPath() : options_.path;
}

void EventRecorder::record(UsageEvent event) {
    if (!isEnabled()) return;
    queue_->async([this, line = event.toJsonLine()] { write(line); });
}

void EventRecorder::flush() { queue_->drain(); }

std::vector<std::string> EventRecorder::filesOldestFirst(const std::string& path, int keptFiles) {
    std::vector<std::string> files;
    struct stat st {};
    for (int i = keptFiles; i >= 1; --i) {
        const std::string rotated = path + "." + std::to_string(i);
        if (::stat(rotated.c_str(), &st) == 0) files.push_back(rotated);
    }
    if (::stat(path.c_str(), &st) == 0) files.push_back(path);
    return files;
}

void EventRecorder::rotate(const std::string& path) {
    const int kept = options_.keptFiles;
    std::remove((path + "." + std::to_string(kept)).c_str());
    for (int i = kept - 1; i >= 1; --i)
        std::rename((path + "." + std::to_string(i)).c_str(),
                    (path + "." + std::to_string(i + 1)).c_str());
    std::rename(path.c_str(), (path + ".1").c_str());
}

void EventRecorder::write(const std::string& line) {
    const std::string target = path();
    auto fail = [&](const char* what, int error) {
        ++failedWrites_;
        // A full disk would otherwise add a log line per click; one per failing stretch is enough.
        if (!failing_)
            ORVANE_LOG(std::string("usage events not recorded: ") + what + ": " +
                       std::strerror(error));
        failing_ = true;
    };
    // Another process may rotate between our open and our lock; then the descriptor points at a
    // file that is no longer the current one, and we open again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        Fd file;
        file.fd =
            ::open(target.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (file.fd < 0) return fail("open", errno);
        while (::flock(file.fd, LOCK_EX) != 0) {
            if (errno != EINTR) return fail("lock", errno);
        }
        struct stat opened {
        }, current{};
        if (::fstat(file.fd, &opened) != 0) return fail("stat", errno);
        if (S_ISREG(opened.st_mode) &&
            (::stat(target.c_str(), &current) != 0 || current.st_ino != opened.st_ino ||
             current.st_dev != opened.st_dev))
            continue;
        if (S_ISREG(opened.st_mode) && opened.st_size > 0 &&
            static_cast<std::uint64_t>(opened.st_size) + line.size() > options_.rotateAtBytes) {
            rotate(target);
            continue;
        }
        if (!writeAll(file.fd, line)) {
            const int error = errno;
            // Half a line would spoil the next one too; take it back while we hold the lock.
            if (S_ISREG(opened.st_mode) && ::ftruncate(file.fd, opened.st_size) != 0)
                ORVANE_LOG("usage events: a partial line stays in " + target);
            return fail("write", error);
        }
        failing_ = false;
        return;
    }
    fail("rotate", EAGAIN);
}

}  // namespace orvane::analytics
