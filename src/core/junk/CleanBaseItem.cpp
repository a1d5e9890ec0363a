#include "core/junk/CleanBaseItem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "core/junk/JunkFiles.h"
#include "kit/Log.h"

namespace orvane::junk {

ScannedIdentity ScannedIdentity::of(const std::string& path) {
    ScannedIdentity id;
    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &sx) != 0)
        return id;
    id.known = true;
    id.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    id.inode = sx.stx_ino;
    id.size = static_cast<std::int64_t>(sx.stx_size);
    id.modified = static_cast<double>(sx.stx_mtime.tv_sec) + sx.stx_mtime.tv_nsec / 1e9;
    id.changed = static_cast<double>(sx.stx_ctime.tv_sec) + sx.stx_ctime.tv_nsec / 1e9;
    id.isDirectory = S_ISDIR(sx.stx_mode);
    id.isRegular = S_ISREG(sx.stx_mode);
    id.isSymlink = S_ISLNK(sx.stx_mode);
    return id;
}

CleanBaseItem::CleanBaseItem(CleanItemKind k, std::string path) : kind(k), url(std::move(path)) {
    scanned = ScannedIdentity::of(url);
}

void CleanBaseItem::setKnownSize(std::int64_t bytes) {
    size_ = bytes;
    sizeKnown_ = true;
}

std::int64_t CleanBaseItem::size() const {
    std::call_once(sizeOnce_, [this] {
        if (sizeKnown_) return;
        const auto st = files::statEntry(url);
        if (!st) {
            ORVANE_LOG("Error getting file attributes: " + url);
            size_ = 0;
            return;
        }
        size_ = st->isDirectory ? files::treeSize(url, /*skipHidden=*/false) : st->size;
    });
    return size_;
}

}  // namespace orvane::junk
