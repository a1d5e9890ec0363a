#include "core/files/RemovalJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/files/UniqueFd.h"
#include "kit/JsonText.h"
#include "kit/Paths.h"

namespace orvane::files {

std::string RemovalJournal::defaultPath() {
    return kit::joinPath(kit::logDirectory(), "removals.jsonl");
}

RemovalJournal::RemovalJournal(std::string path) : path_(std::move(path)) {}

bool RemovalJournal::record(std::string_view action, const std::string& path, std::uint64_t size,
                            mode_t mode, const std::string& destination, std::string* error) {
    using namespace std::chrono;
    const double now = duration<double>(system_clock::now().time_since_epoch()).count();
    char head[96];
    std::snprintf(head, sizeof head, "{\"time\":%.3f,\"action\":", now);
    std::string line = head;
    kit::appendJsonString(line, action);
    line += ",\"path\":";
    kit::appendJsonString(line, path);
    char numbers[80];
    std::snprintf(numbers, sizeof numbers, ",\"size\":%llu,\"mode\":\"%06o\"",
                  static_cast<unsigned long long>(size), static_cast<unsigned>(mode));
    line += numbers;
    if (!destination.empty()) {
        line += ",\"destination\":";
        kit::appendJsonString(line, destination);
    }
    line += "}\n";

    std::lock_guard lock(mutex_);
    std::error_code ec;
    std::filesystem::create_directories(kit::parentPath(path_), ec);
    // O_APPEND and one write per line: lines from two processes never interleave.
    UniqueFd fd(
        ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    const char* p = line.data();
    std::size_t left = line.size();
    while (fd.ok() && left > 0) {
        const ssize_t n = ::write(fd.get(), p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (!fd.ok() || left > 0) {
        if (error)
            *error = std::string("the removal journal ") + path_ +
                     " cannot be written: " + std::strerror(errno ? errno : EIO);
        return false;
    }
    return true;
}

}  // namespace orvane::files
