#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/files/ScanDriver.h"
#include "core/photos/ScanImagesGroupItem.h"
#include "core/photos/ScanImagesManagerProtocol.h"
#include "platform/Layout.h"

namespace orvane::platform {
class Trash;
}
namespace orvane::settings {
class Dictionary;
}
namespace orvane::kit {
class DispatchQueue;
}

namespace orvane::photos {

// The similar-photo driver. It prepares the engine's inputs from the chosen folders and the
// saved preferences, runs the engine (which blocks the calling thread), turns the engine's JSON
// reports into named groups, and removes what the user selected.
//
// Threads: findDuplicateImages() runs on the caller's background thread; the engine's reports
// arrive on its threads and are handled there (one at a time), so the results list is guarded
// by a lock and the observer gets snapshots. A removal run executes on its own thread.
class ScanImagesManager : public files::ScanDriver {
public:
    // Where the driver finds its inputs; tests hand in a private home.
    struct Environment {
        std::string preferencesFile;  // "PreferenceInfo.plist"
        std::string logDirectory;     // the engine's log goes here
        std::string homeDirectory;    // stands in for "/" and "/Users"
        platform::Layout layout;      // the Trash
        // Replaces the saved threshold for every scan of this manager (the command line's flag).
        std::optional<double> thresholdOverride;
    };
    static Environment defaultEnvironment();

    // The one instance of the program, created on first use.
    static ScanImagesManager& shared();

    explicit ScanImagesManager(Environment environment);
    ~ScanImagesManager() override;
    ScanImagesManager(const ScanImagesManager&) = delete;
    ScanImagesManager& operator=(const ScanImagesManager&) = delete;

    void setDelegate(std::weak_ptr<ScanImagesManagerProtocol> delegate);
    void setRemoveDelegate(std::weak_ptr<ScanImagesRemoveProtocol> delegate);

    // ---- Scanning --------------------------------------------------------------------------
    // Runs one scan on the calling thread and returns when the engine has finished, failed or
    // stopped. Returns the engine's result code.
    int findDuplicateImages(const std::vector<std::string>& folderList);
    // Asks a running scan to stop, from any thread. Does nothing when no scan runs.
    void stop();
    // A stop was asked for during the running scan.
    bool stopRequested() const { return stopRequested_.load(); }

    // The contract every module's driver keeps: findDuplicateImages() of the folders set here,
    // on the driver's own thread.
    void setScanRoots(std::vector<std::string> roots) { scanRoots_ = std::move(roots); }
    void startScanning() override;
    void stopScanning() override { stop(); }
    void waitUntilScanFinished() override;
    // Stops the scan and a removal after the item in hand and waits for both.
    void stopAndWait() override;
    // Similar images found so far and their bytes.
    files::ScanTotals scanTotals() const override;
    bool isScanning() const { return scanning_.load(); }

    ScanImagesGroups dupImages() const;
    void removeDupimagesArray();
    long long dupFileCount() const;
    bool isStop() const { return isStop_.load(); }
    int scanState() const { return scanState_.load(); }
    const std::vector<std::string>& scanFolderList() const { return scanFolderList_; }

    // What a scan hands the engine, derived from the folders and the preferences file.
    struct EngineInputs {
        std::vector<std::string> paths;      // roots with "/" appended, then the white list
        std::vector<std::string> whiteList;  // with "/" appended
        double threshold = 85;
        std::int32_t maxFileSize = 0;
        std::int32_t minFileSize = 0;
        bool hiddenFile = false;
    };
    EngineInputs prepareEngineInputs(const std::vector<std::string>& folderList);

    // Merges one folder into scanFolderList by containment of the path text.
    void isContainFolder(const std::string& folder);
    // Bytes of a typed bound from the preferences: value × 1,000 for "KB", × 1,000,000 for "MB",
    // × 1,000,000,000 for any other type; 0 when absent.
    static std::int64_t getFileSize(const settings::Dictionary& prefs, std::string_view valueKey,
                                    std::string_view typeKey);
    static double clampedThreshold(const settings::Dictionary& prefs);

    // The engine's reports, as the callbacks deliver them (public so tests can feed them).
    void jsonDataDidChanged(std::string_view json);
    void progressDidChanged(std::string_view json, int scanState);

    // Item helpers.
    ScanImagesItemPtr makeItem(const std::string& path, std::optional<std::uint32_t> width = {},
                               std::optional<std::uint32_t> height = {}) const;
    static std::string getStringWithDate(double seconds);
    static std::optional<std::string> getImageDimensions(const std::string& path);
    // Thumbnails of at most 60 × 90 are made one at a time on the thumbnail queue; `done` runs
    // there with the item, its thumImage set (left empty when the file cannot be read).
    void getThumImages(const ScanImagesItemPtr& item,
                       std::function<void(const ScanImagesItemPtr&)> done);

    // Sorting and naming, after a finish, a stop and a removal.
    void sortDupImageGroup();
    static void sortDupImage(std::vector<ScanImagesItemPtr>& items);

    // ---- Removal ---------------------------------------------------------------------------
    enum RemoveType { toTrash = 0, deleteForever = 1, moveToFolder = 2 };
    void setRemoveType(RemoveType type, const std::string& folder = {});
    RemoveType removeType() const { return removeType_; }
    const std::string& removePath() const { return removePath_; }

    std::int64_t getRemoveImageTotalCount() const;
    std::int64_t getRemoveImageTotalSize() const;
    // Removes the selected images of `groups` on a background thread; the observer hears the
    // end. removeDuplicatesImagesNow() does the same on the calling thread.
    void removeDuplicatesImages(ScanImagesGroups groups);
    void removeDuplicatesImagesNow(ScanImagesGroups groups);
    void waitForRemoval();
    void stopRemove() { isStopRemove_ = true; }

    // Where a moved image goes: folder/name, or "folder/name <time>.ext" when taken.
    static std::string setRemoveDestPath(const std::string& folder, const std::string& imageName);

    long long removeImagesTotalCount() const { return removeImagesTotalCount_; }
    long long removeImagesSuccessCount() const { return removeImagesSuccessCount_; }
    std::int64_t removeImagesSuccessSize() const { return removeImagesSuccessSize_; }
    double dupStartTime() const { return dupStartTime_; }
    double dupEndTime() const { return dupEndTime_; }

private:
    void notifyScanData();
    ScanImagesGroupItemPtr isContainSourcePath(const std::string& path);
    void sortAndRenameLocked();
    ScanImagesGroups snapshotLocked() const;

    Environment env_;
    std::weak_ptr<ScanImagesManagerProtocol> delegate_;
    std::weak_ptr<ScanImagesRemoveProtocol> removeDelegate_;

    mutable std::mutex mutex_;  // guards the results and the counters below
    ScanImagesGroups imagesArray_;
    std::vector<std::string> scanFolderList_;
    long long dupFileCount_ = 0;
    long long groupNameNum_ = 0;
    bool isContain_ = false;
    std::int64_t groupTotalSize_ = 0;
    double startScanTime_ = 0, callBackTime_ = 0;

    std::atomic<bool> scanning_{false};
    std::atomic<bool> stopRequested_{false};
    std::vector<std::string> scanRoots_;
    std::thread scanThread_;
    std::atomic<bool> isStop_{false};
    std::atomic<int> scanState_{0};

    RemoveType removeType_ = toTrash;
    std::string removePath_;
    std::atomic<bool> isStopRemove_{false};
    long long removeImagesTotalCount_ = 0, removeImagesSuccessCount_ = 0;
    std::int64_t removeImagesSuccessSize_ = 0;
    double dupStartTime_ = 0, dupEndTime_ = 0;
    std::unique_ptr<platform::Trash> trash_;
    std::unique_ptr<kit::DispatchQueue> thumbnailQueue_;
    std::unique_ptr<kit::DispatchQueue> removeQueue_;
};

}  // namespace orvane::photos
