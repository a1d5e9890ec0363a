#include "core/files/RemovalGuard.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "kit/Localization.h"
#include "kit/Paths.h"

namespace orvane::files {

namespace {

GuardResult refuse(GuardRefusal why, const std::string& path, int error = 0) {
    GuardResult r;
    r.refusal = why;
    r.error = error;
    r.reason = RemovalGuard::describe(why, path, error);
    return r;
}

bool isLink(int dirFd, const std::string& name) {
    struct stat st {};
    return ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
}

std::vector<std::string> components(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i < path.size()) {
        while (i < path.size() && path[i] == '/') ++i;
        std::size_t j = i;
        while (j < path.size() && path[j] != '/') ++j;
        if (j > i) {
            std::string part = path.substr(i, j - i);
            if (part != ".") parts.push_back(std::move(part));
        }
        i = j;
    }
    return parts;
}

}  // namespace

std::string RemovalGuard::describe(GuardRefusal refusal, const std::string& path, int error) {
    const std::string name = kit::displayPath(kit::directoryName(path));
    auto left = [&](std::string_view why) {
        return kit::formatLocalized("“%@” was left in place: %@", {name, kit::localized(why)});
    };
    switch (refusal) {
        case GuardRefusal::none: return {};
        case GuardRefusal::missing:
            return kit::localized(
                "The folder does not exist. Please choose another one. It may be "
                "moved, renamed or deleted.");
        case GuardRefusal::linkOnPath:
            return left("it, or a folder above it, has been replaced by a link since the scan.");
        case GuardRefusal::notRegular:
            return left(
                "it is not a regular file (a pipe, socket, device or link); only regular "
                "files are removed.");
        case GuardRefusal::changed: return left("it has been replaced or changed since the scan.");
        case GuardRefusal::keptMissing:
            return left("the copy you chose to keep no longer exists or has changed.");
        case GuardRefusal::keptSameFile:
            return left(
                "the copy you chose to keep is this same file under another name (a hard "
                "link or a mount); removing it would free nothing.");
        case GuardRefusal::keptDiffers:
            return left("the copy you chose to keep no longer has the same content.");
        case GuardRefusal::stopped: return left("the removal was stopped.");
        case GuardRefusal::error:
            return kit::formatLocalized("“%@” could not be checked: %@",
                                        {name, std::strerror(error)});
    }
    return {};
}

GuardResult RemovalGuard::open(const std::string& path) {
    const std::vector<std::string> parts = components(path);
    if (parts.empty()) return refuse(GuardRefusal::notRegular, path);
    const bool absolute = !path.empty() && path.front() == '/';
    UniqueFd dir(::open(absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!dir.ok()) return refuse(GuardRefusal::error, path, errno);
    for (std::size_t k = 0; k + 1 < parts.size(); ++k) {
        UniqueFd next(
            ::openat(dir.get(), parts[k].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.ok()) {
            const int e = errno;
            if (e == ENOENT) return refuse(GuardRefusal::missing, path);
            if (e == ENOTDIR || e == ELOOP)
                return refuse(
                    isLink(dir.get(), parts[k]) ? GuardRefusal::linkOnPath : GuardRefusal::missing,
                    path);
            return refuse(GuardRefusal::error, path, e);
        }
        dir = std::move(next);
    }
    GuardedItem item;
    item.name = parts.back();
    if (item.name == "..") return refuse(GuardRefusal::notRegular, path);
    // O_PATH with O_NOFOLLOW opens a link as itself, so the type check below sees it.
    item.item.reset(::openat(dir.get(), item.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!item.item.ok()) {
        const int e = errno;
        return refuse(e == ENOENT ? GuardRefusal::missing : GuardRefusal::error, path, e);
    }
    if (::fstat(item.item.get(), &item.st) != 0) return refuse(GuardRefusal::error, path, errno);
    item.parent = std::move(dir);
    GuardResult r;
    r.item = std::move(item);
    return r;
}

GuardResult RemovalGuard::verify(const std::string& path, const FileIdentity& scanned,
                                 bool folderAllowed) {
    GuardResult r = open(path);
    if (!r) return r;
    const FileIdentity now = FileIdentity::of(r.item->st);
    const bool folder = folderAllowed && now.isFolder() && scanned.isFolder();
    if (!now.isRegular() && !folder) {
        if (S_ISLNK(r.item->st.st_mode) && scanned.type != S_IFLNK)
            return refuse(GuardRefusal::linkOnPath, path);
        return refuse(GuardRefusal::notRegular, path);
    }
    if (now != scanned) return refuse(GuardRefusal::changed, path);
    return r;
}

UniqueFd RemovalGuard::openForReading(const GuardedItem& item) {
    UniqueFd fd(::openat(item.parent.get(), item.name.c_str(),
                         O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (!fd.ok() || ::fstat(fd.get(), &st) != 0 || st.st_dev != item.st.st_dev ||
        st.st_ino != item.st.st_ino)
        return UniqueFd();
    return fd;
}

GuardResult RemovalGuard::confirmKeptCopy(const std::string& doomedPath, const GuardedItem& doomed,
                                          const std::string& keptPath,
                                          const FileIdentity& keptScanned,
                                          const std::atomic<bool>* stop) {
    GuardResult kept = verify(keptPath, keptScanned);
    if (!kept) return refuse(GuardRefusal::keptMissing, doomedPath);
    const FileIdentity doomedId = FileIdentity::of(doomed.st);
    if (FileIdentity::of(kept.item->st).sameInode(doomedId))
        return refuse(GuardRefusal::keptSameFile, doomedPath);
    UniqueFd a = openForReading(doomed);
    UniqueFd b = openForReading(*kept.item);
    if (!a.ok() || !b.ok()) return refuse(GuardRefusal::error, doomedPath, errno ? errno : EIO);
    if (!sameBytes(a.get(), b.get(), doomedId.size, stop))
        return refuse(stop && stop->load() ? GuardRefusal::stopped : GuardRefusal::keptDiffers,
                      doomedPath);
    return kept;
}

bool sameBytes(int a, int b, std::uint64_t size, const std::atomic<bool>* stop) {
    constexpr std::size_t kChunk = 1 << 20;
    thread_local std::unique_ptr<char[]> bufA(new char[kChunk]), bufB(new char[kChunk]);
    auto readAt = [](int fd, char* into, std::size_t want, off_t at) -> std::size_t {
        std::size_t got = 0;
        while (got < want) {
            const ssize_t n = ::pread(fd, into + got, want - got, at + static_cast<off_t>(got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        return got;
    };
    std::uint64_t offset = 0;
    for (;;) {
        // Asking for one byte past the expected end shows a file that grew.
        if (stop && stop->load(std::memory_order_relaxed)) return false;
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size - offset + 1));
        const std::size_t gotA = readAt(a, bufA.get(), want, static_cast<off_t>(offset));
        const std::size_t gotB = readAt(b, bufB.get(), want, static_cast<off_t>(offset));
        if (gotA != gotB || std::memcmp(bufA.get(), bufB.get(), gotA) != 0) return false;
        offset += gotA;
        if (offset > size) return false;
        if (gotA < want) return offset == size;
    }
}

}  // namespace orvane::files
