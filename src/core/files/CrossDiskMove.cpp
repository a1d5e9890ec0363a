#include "core/files/CrossDiskMove.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>

#include "kit/Localization.h"
#include "kit/Paths.h"

namespace orvane::files {

namespace {

MoveResult failed(const std::string& path, int error, std::string_view what) {
    MoveResult r;
    r.error = error;
    r.reason = kit::formatLocalized(
        "“%@” could not be %@: %@",
        {kit::displayPath(kit::directoryName(path)), kit::localized(what), std::strerror(error)});
    return r;
}

bool writeAll(int fd, const char* p, std::size_t left) {
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// The destination file while it is being written: unnamed where the file system allows it, a
// hidden temporary name otherwise. Removed unless it was given its final name.
class PendingCopy {
public:
    PendingCopy(int folderFd, std::string base, mode_t mode) : folder_(folderFd) {
        fd_.reset(::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
        if (fd_.ok()) return;
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100 && !fd_.ok(); ++attempt) {
            tempName_ = "." + base.substr(0, 200) + ".orvane-partial-" +
                        std::to_string(::getpid()) + "-" + std::to_string(counter++);
            fd_.reset(::openat(folderFd, tempName_.c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
            if (!fd_.ok() && errno != EEXIST) break;
        }
        if (!fd_.ok()) tempName_.clear();
    }
    ~PendingCopy() {
        if (!named_ && !tempName_.empty()) ::unlinkat(folder_, tempName_.c_str(), 0);
    }
    int fd() const { return fd_.get(); }
    bool ok() const { return fd_.ok(); }

    // Gives the copy `name`, refusing if anything is there already (EEXIST).
    int nameAs(const std::string& name) {
        int rc;
        if (tempName_.empty()) {
            const std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
            rc = ::linkat(AT_FDCWD, self.c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW);
        } else {
            rc = ::renameat2(folder_, tempName_.c_str(), folder_, name.c_str(), RENAME_NOREPLACE);
            if (rc != 0 && errno == EINVAL) {
                // No no-replace rename here: a hard link refuses an existing name just the same.
                rc = ::linkat(folder_, tempName_.c_str(), folder_, name.c_str(), 0);
                if (rc == 0) ::unlinkat(folder_, tempName_.c_str(), 0);
            }
        }
        if (rc == 0) named_ = true;
        return rc == 0 ? 0 : errno;
    }

private:
    int folder_;
    UniqueFd fd_;
    std::string tempName_;
    bool named_ = false;
};

}  // namespace

MoveResult CrossDiskMove::move(const std::string& sourcePath, const GuardedItem& source,
                               const std::string& folder, const NameFor& nameFor,
                               const Progress& progress) {
    UniqueFd in = RemovalGuard::openForReading(source);
    if (!in.ok()) return failed(sourcePath, errno ? errno : EIO, "moved");
    struct stat copied {};
    if (::fstat(in.get(), &copied) != 0) return failed(sourcePath, errno, "moved");
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.ok()) return failed(sourcePath, errno, "moved");

    PendingCopy out(dir.get(), source.name, copied.st_mode & 07777);
    if (!out.ok()) return failed(sourcePath, errno, "moved");
    constexpr std::size_t kChunk = 1 << 20;
    std::unique_ptr<char[]> buffer(new char[kChunk]);
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer.get(), kChunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return failed(sourcePath, errno, "moved");
        if (n == 0) break;
        if (!writeAll(out.fd(), buffer.get(), static_cast<std::size_t>(n)))
            return failed(sourcePath, errno, "moved");
        total += static_cast<std::uint64_t>(n);
        if (progress) progress(total);
    }
    const timespec times[2] = {copied.st_atim, copied.st_mtim};
    ::futimens(out.fd(), times);
    if (::fsync(out.fd()) != 0) return failed(sourcePath, errno, "moved");

    MoveResult result;
    for (int attempt = 0; attempt < 50 && !result.ok; ++attempt) {
        const std::string name = kit::directoryName(nameFor(attempt));
        const int e = out.nameAs(name);
        if (e == EEXIST) continue;
        if (e) return failed(sourcePath, e, "moved");
        result.ok = true;
        result.finalPath = kit::joinPath(folder, name);
    }
    if (!result.ok) return failed(sourcePath, EEXIST, "moved");
    ::fsync(dir.get());

    // The original goes only if it is still the very file that was copied, unchanged. If it was
    // replaced or edited meanwhile, the copy may not match it: the copy goes and the original
    // stays.
    struct stat now {};
    const bool unchanged =
        ::fstatat(source.parent.get(), source.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        FileIdentity::of(now) == FileIdentity::of(copied) &&
        total == static_cast<std::uint64_t>(copied.st_size);
    if (!unchanged) {
        struct stat ours {
        }, placed{};
        const std::string placedName = kit::directoryName(result.finalPath);
        if (::fstat(out.fd(), &ours) == 0 &&
            ::fstatat(dir.get(), placedName.c_str(), &placed, AT_SYMLINK_NOFOLLOW) == 0 &&
            ours.st_dev == placed.st_dev && ours.st_ino == placed.st_ino)
            ::unlinkat(dir.get(), placedName.c_str(), 0);
        MoveResult r;
        r.error = EAGAIN;
        r.reason = RemovalGuard::describe(GuardRefusal::changed, sourcePath);
        return r;
    }
    if (::unlinkat(source.parent.get(), source.name.c_str(), 0) != 0) {
        const int e = errno;
        MoveResult r = failed(sourcePath, e, "removed after copying");
        r.finalPath = result.finalPath;
        return r;
    }
    return result;
}

}  // namespace orvane::files
