#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/files/FileIdentity.h"
#include "core/files/FileInfo.h"
#include "core/junk/JunkTypes.h"
#include "core/junk/RuleEnums.h"

namespace orvane::junk {

enum class CleanItemKind { systemJunk, appCache, trash, package, internetJunk };

// One removable junk item of a scan. Selection is written by the screens on the main thread;
// everything else is set when the scan makes the item.
class CleanBaseItem {
public:
    CleanBaseItem(CleanItemKind kind, std::string path);
    virtual ~CleanBaseItem() = default;

    const CleanItemKind kind;
    int appJunkType = 0;  // application junk: 0 cache, 1 log
    std::string url;      // the path
    std::string id;       // the rule action that found it
    std::string fileType;
    std::string appName;
    std::string appIcon;
    std::string appVersion;
    std::string bundleIdentifier;
    std::string appPath;
    bool isAppRelated = false;
    std::optional<CleanModelItemType> itemType;
    std::optional<XcodeJunkType> xcodeJunkType;
    std::optional<InternetJunkType> netJunkType;
    std::optional<SystemJunkType> systemJunkType;
    CleanType cleanType = CleanType::remove;
    bool isSelected = false;
    bool canRemove = true;
    // Why cleaning left the item in place (codes in CleanError.h); domain "CleanError".
    std::optional<orvane::files::RemoveError> removeError;
    enum class CleanOutcome { none, removed, alreadyGone, failed };
    CleanOutcome cleanOutcome = CleanOutcome::none;
    // Disk space its removal gave back (blocks, not lengths: what the file system's free space
    // shows).
    std::uint64_t freedBytes = 0;
    // The folder of the rule that found the item; cleaning never reaches outside it.
    std::string basePath;
    // The running program whose cache this is; such items are offered but not ticked.
    std::string runningApp;
    // The heading the item is shown under (a rule group's title, an application, a language).
    std::string groupName;
    // Whether the rules call removing it harmless.
    bool recommended = false;
    // What the item was when the scan found it (not following a link); cleaning compares the
    // item on disk with this right before acting, so a path replaced or turned into a link
    // meanwhile is left alone. Unknown (false) when the item could not be read.
    orvane::files::FileIdentity scanned;
    bool scannedKnown = false;

    // Measured on first use and kept: a folder's whole contents, a file's length, 0 when the
    // item cannot be read.
    std::int64_t size() const;
    void setKnownSize(std::int64_t bytes);

private:
    mutable std::once_flag sizeOnce_;
    mutable std::int64_t size_ = 0;
    bool sizeKnown_ = false;
};

class CleanSystemJunkItem final : public CleanBaseItem {
public:
    explicit CleanSystemJunkItem(std::string path)
        : CleanBaseItem(CleanItemKind::systemJunk, std::move(path)) {}
    std::optional<std::string> languageIdentifier;
    std::optional<std::string> languageDisplayName;
};

class CleanAppCacheItem final : public CleanBaseItem {
public:
    explicit CleanAppCacheItem(std::string path)
        : CleanBaseItem(CleanItemKind::appCache, std::move(path)) {}
};

class CleanTrashItem final : public CleanBaseItem {
public:
    explicit CleanTrashItem(std::string path)
        : CleanBaseItem(CleanItemKind::trash, std::move(path)) {}
};

class CleanPackageItem final : public CleanBaseItem {
public:
    explicit CleanPackageItem(std::string path)
        : CleanBaseItem(CleanItemKind::package, std::move(path)) {}
};

class CleanInternetJunkItem final : public CleanBaseItem {
public:
    explicit CleanInternetJunkItem(std::string path)
        : CleanBaseItem(CleanItemKind::internetJunk, std::move(path)) {}
};

using CleanBaseItemPtr = std::shared_ptr<CleanBaseItem>;

}  // namespace orvane::junk
