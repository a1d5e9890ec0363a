#include "core/junk/CleanBaseItem.h"

#include "core/junk/JunkFiles.h"
#include "kit/Log.h"

namespace orvane::junk {

CleanBaseItem::CleanBaseItem(CleanItemKind k, std::string path) : kind(k), url(std::move(path)) {
    scannedKnown = orvane::files::FileIdentity::read(url.c_str(), scanned);
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
