#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/duplicates/ScanCache.h"
#include "core/duplicates/SharedFileNames.h"
#include "core/files/ScanDriver.h"
#include "core/files/ScanRules.h"
#include "kit/DispatchQueue.h"
#include "kit/OperationQueue.h"
#include "platform/DiskInfo.h"
#include "platform/Layout.h"
#include "platform/Volume.h"

namespace orvane::settings {
class PerferenceInfo;
}

namespace orvane::duplicates {

// Files of one exact size that share it with at least one other file.
struct SizeGroup {
    std::int64_t size = 0;
    std::size_t first = 0, count = 0;  // where its files lie in the compact records
};

// The result of the enumeration: candidate groups by ascending size, and how many sizes
// occurred once only (they need no reading, but count towards progress). The files are kept in
// a compact form (paths packed in blocks) until a group is about to be read: on big trees
// nearly every file is a candidate, and a full record per file would double the memory.
struct SizeGroups {
    std::vector<SizeGroup> groups;
    std::size_t singleSizes = 0;
    std::size_t recordedFiles = 0;

    // Looks every recorded file up in `cache` at once, for members().
    void recall(const ScanCache& cache);
    // The records of the group's members worth reading. After recall(), it leaves out members
    // the cache shows to have no copy in the group: when one earlier scan compared every
    // member, unchanged since, a member alone in its content class needs no reading and no
    // record. Without such knowledge every member stays.
    std::vector<std::size_t> members(const SizeGroup& group) const;
    // The paths and records of members(group), distinct paths each.
    std::vector<ResourceValueURL> files(const SizeGroup& group) const;
    // The same, with what the cache knows of each, made later by whoever calls the result, on
    // any thread: it keeps the records alive until then.
    std::function<void(std::vector<ResourceValueURL>&, std::vector<ScanCache::Recall>&)> filler(
        std::vector<std::size_t> members) const;
    // The volume the group's files lie on, as the walk recorded it.
    std::optional<std::uint32_t> volumeIndex(const SizeGroup& group) const;

    struct Compact;
    std::shared_ptr<Compact> compact;
};

// The duplicate finder's driver: enumerates the chosen folders, groups the kept files by exact
// size, confirms groups by content on hashing queues (several readers at once on solid-state
// disks, one on rotating ones) and keeps the confirmed groups in lists by kind. One shared
// instance serves the application; tests and the command line make their own.
//
// Results belong to the driver and are written only on appendQueue during a scan; read them
// after scanFinished().
class ScanManager : public std::enable_shared_from_this<ScanManager>, public files::ScanDriver {
public:
    // What the driver needs from its surroundings; tests hand in temporary places.
    struct Environment {
        std::shared_ptr<const platform::DiskInventory> diskInventory;  // null: all rotating
        platform::Layout layout = platform::Layout::current();
        std::string settingsPath;   // "" → PerferenceInfo::defaultPath()
        std::string homeDirectory;  // "" → kit::customHomeDirectory()
        // Volume holding a path; defaults to platform::volumeOf.
        std::function<std::optional<platform::VolumeInfo>(const std::string&)> volumeOf;
        unsigned walkerThreads = 0;  // 0: one per core
        // Where what a scan learned is kept for the next (see ScanCache); "" keeps nothing and
        // reads every candidate afresh.
        std::string scanCachePath;
    };

    static std::shared_ptr<ScanManager> create(Environment environment);
    // The application's instance, made on first use with the running system's places. Registered
    // for settings changes: a saved snapshot becomes scanPreference unless a scan runs.
    static const std::shared_ptr<ScanManager>& shared();
    ~ScanManager();
    ScanManager(const ScanManager&) = delete;
    ScanManager& operator=(const ScanManager&) = delete;

    // ---- state, in the order the screens know it ----
    std::atomic<bool> forceRemove{false};
    std::vector<platform::DiskInfo> disks;
    std::map<std::string, bool> volumeTypeOfDisk;  // volume mount point → solid state
    kit::OperationQueue assembleSSDQueue{"com.orvane.duplicates.assembleSSD", 5};
    kit::OperationQueue assembleHDDQueue{"com.orvane.duplicates.assembleHDD", 1};
    kit::OperationQueue appendQueue{"com.orvane.duplicates.append", 1};
    kit::OperationQueue removeQueue{"com.orvane.duplicates.remove", 1};
    // Groups on rotating disks whose files are all in memory already: no disk head to spare, so
    // they are compared on every core. A group that would touch the disk moves on to
    // assembleHDDQueue.
    kit::OperationQueue assembleCachedQueue{
        "com.orvane.duplicates.assembleCached",
        static_cast<int>(std::max(2u, std::thread::hardware_concurrency()))};

    std::vector<DuplicateFilesPtr> totalFiles, documentFiles, pictureFiles, audioFiles, videoFiles,
        otherFiles;
    std::int64_t totalFilesCount = 0, documentFilesCount = 0, pictureFilesCount = 0,
                 audioFilesCount = 0, videoFilesCount = 0, otherFilesCount = 0;
    std::uint64_t totalFilesSize = 0, documentFilesSize = 0, pictureFilesSize = 0,
                  audioFilesSize = 0, videoFilesSize = 0, otherFilesSize = 0;

    std::vector<std::string> folderList;  // the roots of the next scan
    std::optional<RemoveType> lastRemoveType;
    std::weak_ptr<ScanManagerProtocol> delegate;

    std::int64_t succeedRemoveCount = 0, failedRemoveCount = 0;
    std::uint64_t succeedRemoveSize = 0;

    std::atomic<bool> freeSizeNotEnought{false}, scaning{false}, scanFinished{false},
        scanPause{false}, removeFinished{false}, scanStop{false}, removeStop{false};
    std::optional<double> startTime, endTime;  // seconds since 1970
    std::atomic<double> scanningProgress{0};

    // The settings snapshot the ignore rules use; null lets everything through.
    std::shared_ptr<const settings::PerferenceInfo> scanPreference() const;
    void setScanPreference(std::shared_ptr<const settings::PerferenceInfo> preference);
    // Applied to every fresh snapshot a scan takes (the command line's per-run flags).
    std::function<void(settings::PerferenceInfo&)> preferenceOverride;
    // Why the results of the last scan may not be removed (its settings could not be read, so
    // its exclusions are unknown); empty when they may. Saving settings later does not clear it.
    std::string removalRefusal() const;

    // ---- scanning ----
    // Starts a scan of folderList and returns at once; the observer hears the rest.
    void scanDuplicateFile();
    void startScanning() override { scanDuplicateFile(); }
    // What the scanning screen does on a confirmed stop: flag, cancel waiting work, tell the
    // observer. The scan still ends with scanFinished().
    void stopScanning() override;
    // Empties the result lists and zeroes the totals and progress; folderList and flags stay.
    void resetScan();
    void setScanPathsDiskType();
    SizeGroups filterSameSize(const std::vector<std::string>& paths);
    // The ignore and root rules with this driver's home and current settings snapshot.
    files::ScanRules scanRules() const;
    bool ignoreFile(std::string_view url, std::int64_t size, const ResourceValues& values) const;
    bool whitePathIgnore(const std::string& url) const;
    static bool isInsideFramework(std::string_view url);
    // The roots a scan really walks: system places and other users' folders are left out.
    std::vector<std::string> cleanRoots(const std::vector<std::string>& roots) const;
    // Files and folders met by the running enumeration, for a progress line.
    std::uint64_t enumeratedItems() const;
    // Blocks until the running scan (if any) has sent scanFinished(). For the command line and
    // tests; a screen waits for the observer call instead.
    void waitUntilScanFinished() override;
    // Stops the scan, then the removal after the file in hand, and waits for both.
    void stopAndWait() override;
    // Written with the result lists (on appendQueue, or by the removal); readable anywhere.
    files::ScanTotals scanTotals() const override;
    files::SkippedEntries skippedEntries() const override;
    // Copies the counters into the snapshot scanTotals() returns; called by whoever just
    // changed them, on the thread that owns them.
    void publishTotals();

    // ---- removal (see ScanManagerRemove.cpp) ----
    void removeDuplicateFiles(std::vector<DuplicateFilesPtr> groups, RemoveType type);
    kit::DispatchQueue dataQueue{"com.orvane.data"};

    const Environment& environment() const { return environment_; }

private:
    static constexpr std::ptrdiff_t kQueuedGroups = 128;
    // A batch of small groups is handed to a queue once it holds this many groups, files or
    // bytes to compare; fewer groups than kQueuedGroups, so the window never waits on groups
    // that were not handed over yet.
    static constexpr std::size_t kBatchGroups = 32;
    static constexpr std::uint64_t kBatchFiles = 512;
    static constexpr std::uint64_t kBatchBytes = 4 * 1024 * 1024;
    static constexpr std::size_t kRotatingBuffer = 8 * 1024 * 1024;
    static constexpr std::size_t kRotatingChunk = 4 * 1024 * 1024;
    // What opening, checking and closing one file costs, in bytes read in the same time: the
    // weight of a file beside its size when the work of a group is estimated.
    static constexpr double kOpenCost = 16 * 1024;
    explicit ScanManager(Environment environment);
    void scanBody(std::vector<std::string> roots);
    void append(const DuplicateFilesPtr& group);
    std::optional<std::uint32_t> volumeIndexOf(std::uint64_t device, std::string_view path);
    std::shared_ptr<ScanManagerProtocol> observer() const { return delegate.lock(); }

    Environment environment_;
    mutable std::mutex preferenceMutex_;
    std::shared_ptr<const settings::PerferenceInfo> scanPreference_;
    std::string removalRefusal_;
    std::mutex progressMutex_;
    double progressCount_ = 0;
    double progressTotal_ = 0;
    std::mutex volumesMutex_;
    std::map<std::uint64_t, std::optional<std::uint32_t>> volumesByDevice_;
    std::atomic<TreeWalker*> walker_{nullptr};
    mutable std::mutex totalsMutex_;
    files::ScanTotals totals_;
    files::SkippedEntries skipped_;  // under totalsMutex_
    std::mutex finishMutex_;
    std::condition_variable finished_;
    bool bodyRunning_ = false;
};

}  // namespace orvane::duplicates
