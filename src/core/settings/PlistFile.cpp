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
constexpr off_t kMaxPlistBytes = 4 * 1024 * 1024;

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
    auto unreadable = [&](std::string why) {
        r.status = PlistReadResult::Status::unreadable;
        r.error = std::move(why);
        return r;
    };
    // O_NONBLOCK: a FIFO or a device put in the file's place must not hang the program at
    // start-up; the type check right after refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) {
            r.status = PlistReadResult::Status::missing;
            return r;
        }
        return unreadable(errnoText("cannot open", path));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        std::string why = errnoText("cannot read", path);
        ::close(fd);
        return unreadable(std::move(why));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return unreadable("not a regular file (a folder, a pipe or a device): " + path);
    }
    if (st.st_size > kMaxPlistBytes) {
        ::close(fd);
        return unreadable("far too large for a settings file (" + std::to_string(st.st_size) +
                          " bytes): " + path);
    }
    // One byte of room more than the size shows a file that grew while it was read.
    std::string bytes(static_cast<std::size_t>(st.st_size) + 1, '\0');
    std::size_t got = 0;
    int readError = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) readError = errno;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (readError) {
        errno = readError;
        return unreadable(errnoText("cannot read", path));
    }
    if (got != static_cast<std::size_t>(st.st_size))
        return unreadable("the settings file changed while it was read: " + path);
    bytes.resize(got);
    if (bytes.empty()) return unreadable("empty settings file: " + path);
    std::string why;
    if (auto dict = parsePlist(bytes, &why)) {
        r.status = PlistReadResult::Status::ok;
        r.dict = std::move(*dict);
        return r;
    }
    return unreadable("damaged settings file (" + why + "): " + path);
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
