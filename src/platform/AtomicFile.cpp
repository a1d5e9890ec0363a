#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "kit/Localization.h"
#include "kit/Paths.h"

namespace orvane::platform {

namespace {

Outcome failed(const std::string& path, const char* reason) {
    return Outcome::failure(
        kit::formatLocalized("“%@” could not be saved: %@", {kit::displayPath(path), reason}));
}

}  // namespace

Outcome writeFileAtomically(const std::string& path, std::string_view bytes, unsigned mode) {
    const std::string folder = kit::parentPath(path);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return failed(path, ec.message().c_str());

    std::string temp = kit::joinPath(folder, "." + kit::directoryName(path) + ".XXXXXX");
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return failed(path, std::strerror(errno));
    bool good = ::fchmod(fd, mode) == 0;
    for (std::size_t written = 0; good && written < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) good = false;
        else written += static_cast<std::size_t>(n);
    }
    good = good && ::fsync(fd) == 0;
    const int savedErrno = errno;
    good = (::close(fd) == 0) && good;
    if (!good || ::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = good ? errno : savedErrno;
        ::unlink(temp.c_str());
        return failed(path, std::strerror(error ? error : EIO));
    }
    return Outcome::success();
}

}  // namespace orvane::platform
