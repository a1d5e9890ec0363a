#include "core/files/FileRemover.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/Paths.h"
#include "platform/Trash.h"
#include "platform/Volume.h"

namespace orvane::files {

namespace {

constexpr std::string_view kMissingText =
    "The folder does not exist. Please choose another one. It may be moved, renamed or deleted.";

RemovalResult success(std::string destination = {}) {
    RemovalResult r;
    r.ok = true;
    r.destination = std::move(destination);
    return r;
}

RemovalResult failure(int code, std::string text) {
    RemovalResult r;
    r.code = code;
    r.error = std::move(text);
    return r;
}

RemovalResult errnoFailure(std::string_view action, const std::string& path, int error) {
    return failure(error, kit::formatLocalized("“%@” could not be %@: %@",
                                               {kit::displayPath(kit::directoryName(path)), action,
                                                std::strerror(error)}));
}

RemovalResult missing() { return failure(kRemoveErrorMissing, kit::localized(kMissingText)); }

RemovalResult changed(const std::string& path, std::string_view why) {
    return failure(kRemoveErrorChanged,
                   kit::formatLocalized("“%@” was left in place: %@",
                                        {kit::displayPath(kit::directoryName(path)), why}));
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// A folder descriptor for the parent of `path`, and the last component, so that the check and
// the removal both name the item relative to the same open folder.
struct ParentRef {
    int fd = -1;
    std::string name;
    ~ParentRef() {
        if (fd >= 0) ::close(fd);
    }
};

bool openParent(const std::string& path, ParentRef& ref) {
    std::string trimmed = path;
    trimmed.resize(kit::withoutTrailingSlashes(trimmed).size());
    ref.name = kit::directoryName(trimmed);
    ref.fd = ::open(kit::parentPath(trimmed).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return ref.fd >= 0;
}

std::optional<RemovalResult> compare(const std::string& path, const struct stat& st,
                                     const ScannedIdentity& scanned) {
    if (S_ISLNK(st.st_mode))
        return changed(path, kit::localized("it has been replaced by a link since the scan."));
    if (scanned.isDirectory != S_ISDIR(st.st_mode))
        return changed(path, kit::localized("it has been replaced since the scan."));
    if ((scanned.device && *scanned.device != static_cast<std::uint64_t>(st.st_dev)) ||
        (scanned.inode && *scanned.inode != static_cast<std::uint64_t>(st.st_ino)))
        return changed(path, kit::localized("it has been replaced since the scan."));
    if (!scanned.isDirectory && scanned.size &&
        *scanned.size != static_cast<std::uint64_t>(st.st_size))
        return changed(path, kit::localized("its size has changed since the scan."));
    return std::nullopt;
}

// Empties and removes the folder `name` inside `parentFd`. Every entry is opened relative to
// its own folder with O_NOFOLLOW, so a link is removed as a link and never leads outside.
int removeTreeAt(int parentFd, const std::string& name) {
    const int fd =
        ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return errno;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int e = errno;
        ::close(fd);
        return e;
    }
    int firstError = 0;
    while (dirent* entry = ::readdir(dir)) {
        const std::string child = entry->d_name;
        if (child == "." || child == "..") continue;
        struct stat st {};
        if (::fstatat(fd, child.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (!firstError && errno != ENOENT) firstError = errno;
            continue;
        }
        const int e = S_ISDIR(st.st_mode) ? removeTreeAt(fd, child)
                                          : (::unlinkat(fd, child.c_str(), 0) == 0 ? 0 : errno);
        if (e && e != ENOENT && !firstError) firstError = e;
    }
    ::closedir(dir);
    if (firstError) return firstError;
    return ::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) == 0 ? 0 : errno;
}

// Copies one regular file byte for byte into a new file that must not exist yet, keeping its
// mode and times, and flushes it before reporting success.
int copyRegularFile(int srcFd, const struct stat& st, const std::string& destination) {
    const int out =
        ::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
    if (out < 0) return errno;
    int error = 0;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(srcFd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errno;
            break;
        }
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w =
                ::write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) {
                error = errno;
                break;
            }
            done += w;
        }
        if (error) break;
    }
    if (!error) {
        const timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
        if (::fsync(out) != 0) error = errno;
    }
    if (::close(out) != 0 && !error) error = errno;
    if (error) ::unlink(destination.c_str());
    return error;
}

std::string twoDigits(int v, int width = 2) {
    std::string s = std::to_string(v);
    while (static_cast<int>(s.size()) < width) s.insert(s.begin(), '0');
    return s;
}

}  // namespace

FreeSpaceReader systemFreeSpaceReader() {
    return [](const std::string& path) { return platform::freeSpace(path); };
}

FileRemover::FileRemover(platform::Trash* trash, FreeSpaceReader freeSpace, Clock clock)
    : trash_(trash), freeSpace_(std::move(freeSpace)), clock_(std::move(clock)) {}

std::optional<RemovalResult> FileRemover::checkStillScanned(const std::string& path,
                                                            const ScannedIdentity& scanned) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return missing();
        return errnoFailure(kit::localized("checked"), path, errno);
    }
    return compare(path, st, scanned);
}

RemovalResult FileRemover::deleteForever(const std::string& path,
                                         const ScannedIdentity& scanned) const {
    ParentRef parent;
    if (!openParent(path, parent))
        return errno == ENOENT ? missing() : errnoFailure(kit::localized("deleted"), path, errno);
    struct stat st {};
    if (::fstatat(parent.fd, parent.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? missing() : errnoFailure(kit::localized("deleted"), path, errno);
    if (auto refused = compare(path, st, scanned)) return *refused;
    const int e = S_ISDIR(st.st_mode)
                      ? removeTreeAt(parent.fd, parent.name)
                      : (::unlinkat(parent.fd, parent.name.c_str(), 0) == 0 ? 0 : errno);
    if (e) return errnoFailure(kit::localized("deleted"), path, e);
    return success();
}

RemovalResult FileRemover::moveToTrash(const std::string& path,
                                       const ScannedIdentity& scanned) const {
    if (auto refused = checkStillScanned(path, scanned)) return *refused;
    if (!trash_) return failure(kRemoveErrorTrash, kit::localized("The Trash is not available."));
    platform::TrashResult r = trash_->trashItem(path);
    if (!r.ok)
        return failure(kRemoveErrorTrash,
                       r.error.empty() ? kit::localized("The item could not be moved to the Trash.")
                                       : r.error);
    return success(r.trashedPath);
}

RemovalResult FileRemover::moveToFolder(const std::string& path, const ScannedIdentity& scanned,
                                        const std::string& folder) const {
    ParentRef parent;
    if (!openParent(path, parent))
        return errno == ENOENT ? missing() : errnoFailure(kit::localized("moved"), path, errno);
    struct stat st {};
    if (::fstatat(parent.fd, parent.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? missing() : errnoFailure(kit::localized("moved"), path, errno);
    if (auto refused = compare(path, st, scanned)) return *refused;
    // Already in the chosen folder: it is where the user wants it, under its own name.
    struct stat folderSt {};
    struct stat parentSt {};
    if (::stat(folder.c_str(), &folderSt) == 0 && ::fstat(parent.fd, &parentSt) == 0 &&
        folderSt.st_dev == parentSt.st_dev && folderSt.st_ino == parentSt.st_ino)
        return success(path);

    // A name taken between choosing it and moving there is never overwritten: the move refuses
    // and the next free name is tried.
    for (int attempt = 0; attempt < 50; ++attempt) {
        const std::string target = renamePath(folder, path, clock_());
        if (::renameat2(parent.fd, parent.name.c_str(), AT_FDCWD, target.c_str(),
                        RENAME_NOREPLACE) == 0)
            return success(target);
        const int e = errno;
        if (e == EEXIST) continue;
        if (e == EINVAL) {
            // A file system without no-replace renames: the name was free a moment ago.
            if (exists(target)) continue;
            if (::renameat(parent.fd, parent.name.c_str(), AT_FDCWD, target.c_str()) == 0)
                return success(target);
            return errnoFailure(kit::localized("moved"), path, errno);
        }
        if (e != EXDEV) return errnoFailure(kit::localized("moved"), path, e);

        // Another file system: copy, flush, and only then remove the original.
        if (S_ISDIR(st.st_mode)) {
            std::error_code ec;
            std::filesystem::copy(path, target,
                                  std::filesystem::copy_options::recursive |
                                      std::filesystem::copy_options::copy_symlinks,
                                  ec);
            if (ec) {
                std::error_code ignored;
                std::filesystem::remove_all(target, ignored);
                return errnoFailure(kit::localized("moved"), path, ec.value());
            }
            const int r = removeTreeAt(parent.fd, parent.name);
            if (r) return errnoFailure(kit::localized("removed after copying"), path, r);
            return success(target);
        }
        const int src = ::openat(parent.fd, parent.name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (src < 0) return errnoFailure(kit::localized("moved"), path, errno);
        struct stat opened {};
        if (::fstat(src, &opened) != 0 || opened.st_ino != st.st_ino ||
            opened.st_dev != st.st_dev) {
            ::close(src);
            return changed(path, kit::localized("it has been replaced since the scan."));
        }
        const int copyError = copyRegularFile(src, opened, target);
        ::close(src);
        if (copyError == EEXIST) continue;
        if (copyError) return errnoFailure(kit::localized("moved"), path, copyError);
        if (::unlinkat(parent.fd, parent.name.c_str(), 0) != 0) {
            const int u = errno;
            ORVANE_LOG("copied but could not remove the original: " + path);
            return errnoFailure(kit::localized("removed after copying"), path, u);
        }
        return success(target);
    }
    return failure(EEXIST, kit::formatLocalized("No free name for “%@” in the destination folder.",
                                                {kit::displayPath(kit::directoryName(path))}));
}

std::optional<std::uint64_t> FileRemover::freeSpace(const std::string& path) const {
    return freeSpace_ ? freeSpace_(path) : std::nullopt;
}

bool FileRemover::needsCopy(const std::string& path, const std::string& folder) {
    struct stat a {
    }, b{};
    if (::lstat(path.c_str(), &a) != 0 || ::stat(existingAncestor(folder).c_str(), &b) != 0)
        return true;
    return a.st_dev != b.st_dev;
}

std::string FileRemover::existingAncestor(const std::string& path) {
    std::string p = path;
    struct stat st {};
    while (::stat(p.c_str(), &st) != 0 && p != "/" && !p.empty()) p = kit::parentPath(p);
    return p.empty() ? "/" : p;
}

std::string FileRemover::renamePath(const std::string& folder, const std::string& path,
                                    std::chrono::system_clock::time_point now) {
    std::string trimmed = path;
    trimmed.resize(kit::withoutTrailingSlashes(trimmed).size());
    const std::string name = kit::directoryName(trimmed);
    std::string candidate = kit::joinPath(folder, name);
    if (!exists(candidate)) return candidate;

    const std::string stem = kit::fileNameDeletepathExtension(name);
    const std::string_view ext = kit::pathExtension(name);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    const std::time_t seconds = static_cast<std::time_t>(ms.count() / 1000);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    const std::string stamp =
        twoDigits(local.tm_year + 1900, 4) + "-" + twoDigits(local.tm_mon + 1) + "-" +
        twoDigits(local.tm_mday) + " " + twoDigits(local.tm_hour) + ":" + twoDigits(local.tm_min) +
        ":" + twoDigits(local.tm_sec) + ":" + twoDigits(static_cast<int>(ms.count() % 1000), 3);
    // Within one millisecond a stamp can repeat; a counter keeps the name free without waiting.
    for (int n = 1;; ++n) {
        std::string base = stem + " " + stamp + (n > 1 ? " " + std::to_string(n) : "");
        candidate = kit::joinPath(folder, ext.empty() ? base : base + "." + std::string(ext));
        if (!exists(candidate)) return candidate;
    }
}

}  // namespace orvane::files
