#include "core/settings/PlistFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace orvane::settings {

namespace {

std::string errnoText(const char* what, const std::string& path) {
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

// Settings files are a few kilobytes; anything far larger is not ours and is not read whole.
constexpr off_t kMaxPlistBytes = 16 * 1024 * 1024;

bool writeAll(int fd, const std::string& data) {
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

PlistReadResult readPlistFile(const std::string& path) {
    PlistReadResult r;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            r.status = PlistReadResult::Status::missing;
            return r;
        }
        r.status = PlistReadResult::Status::unreadable;
        r.error = errnoText("cannot open", path);
        return r;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxPlistBytes) {
        ::close(fd);
        r.status = PlistReadResult::Status::unreadable;
        r.error = "not a settings file (a folder, a device or far too large): " + path;
        return r;
    }
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    if (auto dict = parsePlist(bytes)) {
        r.status = PlistReadResult::Status::ok;
        r.dict = std::move(*dict);
        return r;
    }
    r.status = PlistReadResult::Status::unreadable;
    r.error = bytes.empty() ? "empty settings file: " + path
                            : "damaged or truncated property list: " + path;
    return r;
}

bool writePlistFileAtomic(const std::string& path, const Dictionary& dict, std::string* error) {
    namespace fs = std::filesystem;
    auto fail = [&](std::string why) {
        if (error) *error = std::move(why);
        return false;
    };
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return fail("cannot create folder " + folder.string() + ": " + ec.message());

    std::string tmpl = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return fail(errnoText("cannot create a temporary file in", folder.string()));
    const std::string xml = toXmlPlist(dict);
    if (!writeAll(fd, xml) || ::fsync(fd) != 0) {
        std::string why = errnoText("cannot write", tmpl);
        ::close(fd);
        ::unlink(tmpl.c_str());
        return fail(std::move(why));
    }
    ::fchmod(fd, 0644);
    if (::close(fd) != 0) {
        std::string why = errnoText("cannot write", tmpl);
        ::unlink(tmpl.c_str());
        return fail(std::move(why));
    }
    if (::rename(tmpl.c_str(), path.c_str()) != 0) {
        std::string why = errnoText("cannot replace", path);
        ::unlink(tmpl.c_str());
        return fail(std::move(why));
    }
    // The rename is only durable once the folder entry itself reached the disk.
    if (const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

void keepDamagedCopy(const std::string& path) {
    std::error_code ec;
    std::filesystem::copy_file(path, path + ".corrupt",
                               std::filesystem::copy_options::overwrite_existing, ec);
}

}  // namespace orvane::settings
