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

#include "core/files/CrossDiskMove.h"
#include "core/files/RemovalGuard.h"
#include "core/files/RemovalJournal.h"
#include "core/files/TreeRemoval.h"
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

std::int64_t nanoseconds(const timespec& t) { return t.tv_sec * 1'000'000'000LL + t.tv_nsec; }

// A success, told whether the file lives on under another name, read from the handle the guard
// kept on it once this name is gone.
RemovalResult succeeded(const files::GuardedItem& item, std::string destination = {}) {
    RemovalResult done = success(std::move(destination));
    if (S_ISDIR(item.st.st_mode) || item.st.st_nlink <= 1) return done;
    done.otherNamesRemain = true;
    done.linkCount = static_cast<std::uint64_t>(item.st.st_nlink);
    struct stat now {};
    if (::fstat(item.item.get(), &now) == 0 && now.st_nlink > 0)
        done.remainingCtimeNs = nanoseconds(now.st_ctim);
    return done;
}

std::optional<RemovalResult> compare(const std::string& path, const struct stat& st,
                                     const ScannedIdentity& scanned) {
    if (S_ISLNK(st.st_mode))
        return changed(path, kit::localized("it has been replaced by a link since the scan."));
    if (scanned.isDirectory != S_ISDIR(st.st_mode))
        return changed(path, kit::localized("it has been replaced since the scan."));
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode))
        return failure(kRemoveErrorNotRegular,
                       files::RemovalGuard::describe(files::GuardRefusal::notRegular, path));
    if ((scanned.device && *scanned.device != static_cast<std::uint64_t>(st.st_dev)) ||
        (scanned.inode && *scanned.inode != static_cast<std::uint64_t>(st.st_ino)))
        return changed(path, kit::localized("it has been replaced since the scan."));
    if (!scanned.isDirectory && scanned.size &&
        *scanned.size != static_cast<std::uint64_t>(st.st_size))
        return changed(path, kit::localized("its size has changed since the scan."));
    if ((scanned.mtimeNs && *scanned.mtimeNs != nanoseconds(st.st_mtim)) ||
        (scanned.ctimeNs && *scanned.ctimeNs != nanoseconds(st.st_ctim)))
        return changed(path, kit::localized("it has been changed since the scan."));
    return std::nullopt;
}

// The folder the walk reached the item through must be the one the scan found it in.
std::optional<RemovalResult> compareParent(const std::string& path, int parentFd,
                                           const ScannedIdentity& scanned) {
    if (!scanned.parentDevice && !scanned.parentInode) return std::nullopt;
    struct stat st {};
    if (::fstat(parentFd, &st) != 0) return errnoFailure(kit::localized("checked"), path, errno);
    if ((scanned.parentDevice && *scanned.parentDevice != static_cast<std::uint64_t>(st.st_dev)) ||
        (scanned.parentInode && *scanned.parentInode != static_cast<std::uint64_t>(st.st_ino)))
        return changed(path, kit::localized("the folder it was found in has been replaced since "
                                            "the scan."));
    return std::nullopt;
}

// The walk's refusal as this remover's result.
RemovalResult refusedBy(const files::GuardResult& g, const std::string& path) {
    switch (g.refusal) {
        case files::GuardRefusal::missing: return missing();
        case files::GuardRefusal::linkOnPath: return failure(kRemoveErrorChanged, g.reason);
        case files::GuardRefusal::notRegular: return failure(kRemoveErrorNotRegular, g.reason);
        case files::GuardRefusal::error:
            return errnoFailure(kit::localized("checked"), path, g.error);
        default: return failure(kRemoveErrorChanged, g.reason);
    }
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
    : journal_(std::make_unique<files::RemovalJournal>()),
      trash_(trash),
      freeSpace_(std::move(freeSpace)),
      clock_(std::move(clock)) {}

FileRemover::~FileRemover() = default;

std::optional<RemovalResult> FileRemover::checkKept(const std::string& path,
                                                    const files::GuardedItem& item,
                                                    const std::vector<KeptCopy>& kept) const {
    if (kept.empty()) return std::nullopt;
    using files::GuardRefusal;
    GuardRefusal why = GuardRefusal::keptMissing;
    for (const KeptCopy& copy : kept) {
        files::GuardResult k = files::RemovalGuard::open(copy.path);
        if (!k || compare(copy.path, k.item->st, copy.scanned)) continue;
        if (k.item->st.st_dev == item.st.st_dev && k.item->st.st_ino == item.st.st_ino) {
            why = GuardRefusal::keptSameFile;
            continue;
        }
        files::UniqueFd a = files::RemovalGuard::openForReading(item);
        files::UniqueFd b = files::RemovalGuard::openForReading(*k.item);
        if (a.ok() && b.ok() &&
            files::sameBytes(a.get(), b.get(), static_cast<std::uint64_t>(item.st.st_size)))
            return std::nullopt;
        if (why != GuardRefusal::keptSameFile) why = GuardRefusal::keptDiffers;
    }
    return failure(kRemoveErrorLastCopy, files::RemovalGuard::describe(why, path));
}

std::optional<RemovalResult> FileRemover::writeDown(std::string_view action,
                                                    const std::string& path,
                                                    const files::GuardedItem& item,
                                                    const std::string& destination) const {
    std::string error;
    if (journal_->record(action, path, static_cast<std::uint64_t>(item.st.st_size), item.st.st_mode,
                         destination, &error))
        return std::nullopt;
    ORVANE_LOG(error);
    return failure(kRemoveErrorJournal,
                   kit::formatLocalized("“%@” was left in place: %@",
                                        {kit::displayPath(kit::directoryName(path)), error}));
}

std::optional<RemovalResult> FileRemover::checkStillScanned(const std::string& path,
                                                            const ScannedIdentity& scanned) {
    const files::GuardResult g = files::RemovalGuard::open(path);
    if (!g) return refusedBy(g, path);
    if (auto refused = compare(path, g.item->st, scanned)) return refused;
    return compareParent(path, g.item->parent.get(), scanned);
}

std::optional<ScannedIdentity> ScannedIdentity::capture(const std::string& path) {
    const files::GuardResult g = files::RemovalGuard::open(path);
    if (!g) return std::nullopt;
    const struct stat& st = g.item->st;
    ScannedIdentity id;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.inode = static_cast<std::uint64_t>(st.st_ino);
    id.isDirectory = S_ISDIR(st.st_mode);
    if (!id.isDirectory) {
        id.size = static_cast<std::uint64_t>(st.st_size);
        id.mtimeNs = nanoseconds(st.st_mtim);
        id.ctimeNs = nanoseconds(st.st_ctim);
    }
    struct stat parent {};
    if (::fstat(g.item->parent.get(), &parent) == 0) {
        id.parentDevice = static_cast<std::uint64_t>(parent.st_dev);
        id.parentInode = static_cast<std::uint64_t>(parent.st_ino);
    }
    return id;
}

RemovalResult FileRemover::deleteForever(const std::string& path, const ScannedIdentity& scanned,
                                         const std::vector<KeptCopy>& kept) const {
    const files::GuardResult g = files::RemovalGuard::open(path);
    if (!g) return refusedBy(g, path);
    const files::GuardedItem& item = *g.item;
    if (auto refused = compare(path, item.st, scanned)) return *refused;
    if (auto refused = compareParent(path, item.parent.get(), scanned)) return *refused;
    if (auto refused = checkKept(path, item, kept)) return *refused;
    if (auto refused = writeDown("delete", path, item, {})) return *refused;
    std::uint64_t freed = 0;
    const int e = files::removeGuardedItem(item, &freed);
    if (e) return errnoFailure(kit::localized("deleted"), path, e);
    RemovalResult done = succeeded(item);
    done.freedBytes = freed;
    return done;
}

RemovalResult FileRemover::moveToTrash(const std::string& path, const ScannedIdentity& scanned,
                                       const std::vector<KeptCopy>& kept) const {
    const files::GuardResult g = files::RemovalGuard::open(path);
    if (!g) return refusedBy(g, path);
    if (auto refused = compare(path, g.item->st, scanned)) return *refused;
    if (auto refused = compareParent(path, g.item->parent.get(), scanned)) return *refused;
    if (auto refused = checkKept(path, *g.item, kept)) return *refused;
    if (!trash_) return failure(kRemoveErrorTrash, kit::localized("The Trash is not available."));
    if (auto refused = writeDown("trash", path, *g.item, "Trash")) return *refused;
    platform::TrashResult r = trash_->trashItem(path);
    if (!r.ok)
        return failure(kRemoveErrorTrash,
                       r.error.empty() ? kit::localized("The item could not be moved to the Trash.")
                                       : r.error);
    return succeeded(*g.item, r.trashedPath);
}

RemovalResult FileRemover::moveToFolder(const std::string& path, const ScannedIdentity& scanned,
                                        const std::string& folder) const {
    const files::GuardResult g = files::RemovalGuard::open(path);
    if (!g) return refusedBy(g, path);
    const files::GuardedItem& item = *g.item;
    const struct stat& st = item.st;
    const auto moved = [&item](std::string destination) {
        return succeeded(item, std::move(destination));
    };
    if (auto refused = compare(path, st, scanned)) return *refused;
    // Already in the chosen folder: nothing moves and nothing is freed.
    struct stat folderSt {};
    struct stat parentSt {};
    if (::stat(folder.c_str(), &folderSt) == 0 && ::fstat(item.parent.get(), &parentSt) == 0 &&
        folderSt.st_dev == parentSt.st_dev && folderSt.st_ino == parentSt.st_ino)
        return failure(kRemoveErrorInPlace,
                       kit::formatLocalized("“%@” was left in place: it already is in that folder.",
                                            {kit::displayPath(kit::directoryName(path))}));

    // A name taken between choosing it and moving there is never overwritten: the move refuses
    // and the next free name is tried.
    for (int attempt = 0; attempt < 50; ++attempt) {
        const std::string target = renamePath(folder, path, clock_());
        if (auto refused = writeDown("move", path, item, target)) return *refused;
        if (::renameat2(item.parent.get(), item.name.c_str(), AT_FDCWD, target.c_str(),
                        RENAME_NOREPLACE) == 0)
            return moved(target);
        const int e = errno;
        if (e == EEXIST) continue;
        if (e == EINVAL) {
            // A file system without no-replace renames: a hard link refuses a taken name too.
            if (::linkat(item.parent.get(), item.name.c_str(), AT_FDCWD, target.c_str(), 0) == 0) {
                ::unlinkat(item.parent.get(), item.name.c_str(), 0);
                return moved(target);
            }
            if (errno == EEXIST) continue;
            return errnoFailure(kit::localized("moved"), path, errno);
        }
        if (e != EXDEV) return errnoFailure(kit::localized("moved"), path, e);

        // Another file system.
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
            const int r = files::removeGuardedItem(item);
            if (r) return errnoFailure(kit::localized("removed after copying"), path, r);
            return moved(target);
        }
        const files::MoveResult copied = files::CrossDiskMove::move(path, item, folder, [&](int n) {
            return n == 0 ? target : renamePath(folder, path, clock_());
        });
        if (!copied.ok) {
            if (copied.error == EAGAIN) return failure(kRemoveErrorChanged, copied.reason);
            return failure(copied.error ? copied.error : EIO, copied.reason);
        }
        return moved(copied.finalPath);
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
