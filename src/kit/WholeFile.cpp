#include "kit/WholeFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace orvane::kit {

namespace {

// Reads at most `count` bytes of a regular file no larger than `maxBytes`.
WholeFile readRegular(const std::string& path, std::uint64_t maxBytes, std::size_t count,
                      FileLinks links, int dirFd) {
    WholeFile file;
    // Non-blocking, so that a FIFO put where a file was expected cannot hang the open.
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    if (links == FileLinks::refuse) flags |= O_NOFOLLOW;
    const int fd = ::openat(dirFd, path.c_str(), flags);
    if (fd < 0) {
        file.error = errno;
        file.failure =
            errno == ENOENT ? WholeFile::Failure::missing : WholeFile::Failure::cannotOpen;
        return file;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        file.failure = WholeFile::Failure::notRegular;
        return file;
    }
    file.device = st.st_dev;
    file.inode = st.st_ino;
    if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        file.failure = WholeFile::Failure::tooLarge;
        return file;
    }
    file.bytes.resize(std::min(static_cast<std::size_t>(st.st_size), count));
    std::size_t got = 0;
    while (got < file.bytes.size()) {
        const ssize_t n = ::read(fd, file.bytes.data() + got, file.bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            file.error = errno;
            file.failure = WholeFile::Failure::cannotRead;
            file.bytes.clear();
            ::close(fd);
            return file;
        }
        if (n == 0) break;  // shrank since the size was read
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    file.bytes.resize(got);
    return file;
}

}  // namespace

WholeFile readWholeFile(const std::string& path, std::uint64_t maxBytes, FileLinks links,
                        int dirFd) {
    return readRegular(path, maxBytes, SIZE_MAX, links, dirFd);
}

WholeFile readFileStart(const std::string& path, std::size_t count, FileLinks links) {
    return readRegular(path, UINT64_MAX, count, links, AT_FDCWD);
}

}  // namespace orvane::kit
