#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/files/DuplicateFiles.h"
#include "core/files/FileRemover.h"
#include "core/files/RemoveType.h"
#include "core/files/ScanDriver.h"
#include "core/files/ScanManagerProtocol.h"
#include "core/largefiles/FileHelper.h"
#include "core/largefiles/FileTimeInfo.h"
#include "core/largefiles/LargeFileGroups.h"
#include "kit/DispatchQueue.h"
#include "kit/OperationQueue.h"

namespace orvane::settings {
class PerferenceInfo;
}
namespace orvane::platform {
class Trash;
}

namespace orvane::largefiles {

// Finds every regular file of at least 10,000,000 bytes below the scan roots and files each hit
// at once into the sixteen ready-made groups, so the screens only display. One instance serves
// the application (shared()); tests and the command line may make their own.
//
// startScanning() runs the scan on the driver's own thread (scanLargeFile() runs it on the
// caller's); the directory walk itself fans out over the walker's threads, and filing is
// serialised by a lock so the groups have one writer at a time.
class LargeFilesManager : public files::ScanDriver {
public:
    static LargeFilesManager& shared();

    LargeFilesManager();
    ~LargeFilesManager();
    LargeFilesManager(const LargeFilesManager&) = delete;
    LargeFilesManager& operator=(const LargeFilesManager&) = delete;

    // Scan roots; the start screen sets the home folder here just before a scan.
    std::vector<std::string> folderList;
    kit::OperationQueue removeQueue;
    // The sixteen groups, by LargeFileGroup index; replaced at every scan start.
    std::vector<files::DuplicateFilesPtr> allFiles;
    // The groups that held a selected file when the last removal started.
    std::vector<files::DuplicateFilesPtr> selectedRemoveFiles;
    // Settings as they were when the current scan started.
    std::shared_ptr<const settings::PerferenceInfo> scanSetupObj;
    std::weak_ptr<files::ScanManagerProtocol> delegate;

    std::atomic<std::int64_t> removesucceedCount{0};
    std::atomic<std::uint64_t> removesucceedSize{0};
    std::atomic<std::int64_t> errorRemoveCount{0};
    std::optional<double> startTime, endTime;

    std::atomic<double> lastFlushProgress{0};
    double scanLargeFileTimeStart = 0;
    std::atomic<bool> stopScanLargeFileFig{false};

    // Seconds since 1970 used for the age bands; tests replace it to stand at a chosen moment.
    std::function<double()> clock;
    // Makes the settings snapshot a scan starts with; by default reads the stored settings.
    std::function<std::shared_ptr<const settings::PerferenceInfo>()> preferenceLoader;

    // One whole scan of folderList on the calling thread: startScan(), the walk, scanFinished().
    void scanLargeFile();
    // Asks a running scan to end at its next item; the hits so far stay in allFiles.
    void stopScan() { stopScanLargeFileFig.store(true); }

    // The driver contract: the same scan on the driver's own thread. Call these from one
    // thread (the main one).
    void startScanning() override;
    void stopScanning() override { stopScan(); }
    void waitUntilScanFinished() override;
    void stopAndWait() override;
    files::ScanTotals scanTotals() const override;
    files::SkippedEntries skippedEntries() const override;

    // The bytes a group's files take on disk: a file with several names (hard links) counts
    // once, and a symbolic link, listed for what it points at, counts nothing (the file it
    // names is counted where it lies, if it lies below the roots at all).
    static std::uint64_t diskSize(const files::DuplicateFiles& group);

    // The walk proper over the given roots; returns the number of files in the all-files group.
    std::size_t filterSameSize(const std::vector<std::string>& roots);

    // The roots a scan really walks: system places, other users' folders and pseudo file
    // systems dropped (the duplicate finder's rule), then no folder below another one.
    std::vector<std::string> scanRoots(const std::vector<std::string>& roots) const;

    // True when the path is on the large-file white list or below an entry of it.
    bool whitePathIgnore(std::string_view path) const;
    // True when any component of the path ends in ".framework".
    static bool isInsideFramework(std::string_view path);

    // Files one hit into its kind, size and age groups and the all-files group; a file already
    // filed (two roots reaching it) is left alone.
    void addInArry(const FileTimeData& fileTimeData, files::ResourceValueURL resourceValuesURL);

    std::size_t largeFileCount() const;

    // --- Removal ---------------------------------------------------------------------------

    // Starts removing every selected file of allFiles the chosen way and returns at once. A file
    // shown in several lists is handled once. The observer hears startRemove(), cleanProgress()
    // and, on the main thread, removeFinished(); by then removed files have left every group.
    // A run refused before any file is touched (missing folder, not enough space) calls
    // removeRefused on the main thread instead.
    void removeDuplicateFiles(files::RemoveType type);
    // Asks a running removal to stop after the current file.
    std::atomic<bool> removeStop{false};
    std::optional<files::RemoveType> lastRemoveType;

    // The distinct selected, not yet removed files, in the order of the all-files group.
    std::vector<std::shared_ptr<files::FileInfo>> selectedFiles() const;
    // Drops removed files from every group and their sizes from the totals. Main thread.
    void pruneRemovedFiles();

    std::function<void(const std::string& message)> removeRefused;
    // Asked (from the removal thread) when a file does not fit at the destination: may the files
    // that do not fit be deleted for good? The answer goes to `answer`; without a hook, no.
    std::function<void(const std::string& volumeName, std::function<void(bool)> answer)>
        askForceRemove;
    // Blocks until the running removal (if any) has ended. For the command line and tests.
    void waitUntilRemovalFinished();
    // Collaborators of removal, replaceable so tests can use a folder Trash or play a full disk.
    std::function<std::unique_ptr<platform::Trash>()> trashFactory;
    files::FreeSpaceReader freeSpaceReader;

private:
    void runScan();
    void resetGroups();
    void sortGroups();
    void runRemoval(files::RemoveType type);
    void refuseRemoval(const std::string& message);
    void reportProgress(std::string_view path, bool force);
    std::uint32_t volumeIndexFor(std::uint64_t device, const std::string& path);

    kit::DispatchQueue removeSetupQueue_{"com.orvane.largefiles.removeRun"};
    std::thread scanThread_;
    mutable std::mutex fileMutex_;
    std::unordered_set<std::string> filedPaths_;
    // Per group, the files whose bytes its total already holds (device, inode).
    std::vector<std::set<std::pair<std::uint64_t, std::uint64_t>>> countedFiles_;
    files::SkippedEntries skipped_;  // under fileMutex_
    std::unordered_map<std::uint64_t, std::uint32_t> volumes_;
};

}  // namespace orvane::largefiles
