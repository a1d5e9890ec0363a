#include "core/duplicates/ScanManager.h"

// How a duplicate scan runs, stage by stage:
//
//  1. Enumerate (filterSameSize): the roots are cleaned by the shared ScanRules, then walked in
//     parallel by the TreeWalker; system folders, bundles, kernel views, white-listed paths and
//     files the settings leave out are skipped, and each kept file is recorded compactly.
//  2. Size groups: kept files are grouped by exact size; a size met once cannot have a copy and
//     only counts towards progress.
//  3. Sample fingerprint (AssembleOperation): the first, middle and last 4 KiB tell most files of
//     one size apart before anything is read whole; hard links to one file are read once.
//  4. Confirm: small groups are read whole and compared in memory; larger files are read side
//     by side, chunk by chunk, and a set splits at the first chunk where its files differ
//     (LockstepComparison), so each byte is read once and compared at memory speed, with no
//     digest in the way. Groups are handed out largest work first, so the cores finish together.
//     Groups on solid-state disks run several at once; on rotating disks, groups already in the
//     page cache run on every core and the rest go to the one reader of that disk. What a scan
//     learns (sample fingerprints, which files proved identical) is kept in the ScanCache; a rescan
//     takes it for files whose stamps are unchanged and reads the rest.
//  5. Groups by kind (append): each confirmed group joins the all-files list and the list of its
//     kind (video, audio, picture, document, other), on appendQueue, with the totals.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <semaphore>
#include <thread>
#include <unordered_set>

#include "core/duplicates/AssembleOperation.h"
#include "core/duplicates/ScanCache.h"
#include "core/files/ExclusionSet.h"
#include "core/files/FileType.h"
#include "core/files/TreeWalker.h"
#include "core/files/UrlHelpers.h"
#include "core/settings/PerferenceInfo.h"
#include "kit/DispatchQueue.h"
#include "kit/Log.h"
#include "kit/MainQueue.h"
#include "kit/Paths.h"

namespace orvane::duplicates {

namespace {

double now() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

// A kept file while the walk runs: its path lives in the recording thread's arena, so a
// million files cost a million small records and their path bytes, nothing more.
struct KeptFile {
    std::uint64_t size;
    const char* path;
    std::uint32_t pathLength;
    ResourceValues values;

    std::string_view pathView() const { return {path, pathLength}; }
};

// Append-only byte storage; chunks never move, so views into it stay valid.
class PathArena {
public:
    const char* store(std::string_view s) {
        if (chunks_.empty() || used_ + s.size() > chunkSize_) {
            const std::size_t size = std::max(kChunk, s.size());
            chunks_.emplace_back(new char[size]);
            chunkSize_ = size;
            used_ = 0;
        }
        char* at = chunks_.back().get() + used_;
        std::memcpy(at, s.data(), s.size());
        used_ += s.size();
        return at;
    }

private:
    static constexpr std::size_t kChunk = 256 * 1024;
    std::vector<std::unique_ptr<char[]>> chunks_;
    std::size_t chunkSize_ = 0;
    std::size_t used_ = 0;
};

// Records in blocks of one size: no block is ever copied to grow, so recording a million files
// never holds them twice.
class KeptFiles {
public:
    void push_back(const KeptFile& file) {
        if (blocks_.empty() || blocks_.back().size() == kBlock) {
            blocks_.emplace_back();
            blocks_.back().reserve(kBlock);
        }
        blocks_.back().push_back(file);
        ++size_;
    }
    std::size_t size() const { return size_; }
    // Each block's records, as (first, count); every block but the last is full.
    template <class Visit>
    void eachBlock(Visit&& visit) const {
        for (const auto& block : blocks_) visit(block.data(), block.size());
    }

    static constexpr std::size_t kBlock = 4096;

private:
    std::vector<std::vector<KeptFile>> blocks_;
    std::size_t size_ = 0;
};

struct SizeKey {
    std::uint64_t size;
    std::uint32_t record;
};

// Orders keys by size and keeps the order of equal sizes: a radix sort, eleven bits a pass,
// over only the bits some size uses. On a million files it takes a few milliseconds where a
// comparison sort takes ten times that.
void sortBySize(std::vector<SizeKey>& keys) {
    constexpr unsigned kBits = 11;
    constexpr std::size_t kBuckets = std::size_t{1} << kBits;
    std::uint64_t used = 0;
    for (const SizeKey& k : keys) used |= k.size;
    const unsigned passes = (static_cast<unsigned>(std::bit_width(used)) + kBits - 1) / kBits;
    std::vector<SizeKey> other;
    std::vector<std::size_t> start(kBuckets);
    for (unsigned p = 0; p < passes; ++p) {
        const unsigned shift = p * kBits;
        std::fill(start.begin(), start.end(), 0);
        for (const SizeKey& k : keys) ++start[(k.size >> shift) & (kBuckets - 1)];
        // A digit every key shares moves nothing.
        if (std::find(start.begin(), start.end(), keys.size()) != start.end()) continue;
        std::size_t sum = 0;
        for (std::size_t& s : start) sum += std::exchange(s, sum);
        other.resize(keys.size());
        for (const SizeKey& k : keys) other[start[(k.size >> shift) & (kBuckets - 1)]++] = k;
        keys.swap(other);
    }
}

struct PerThread {
    PathArena arena;
    KeptFiles kept;
    std::uint64_t lastDevice = ~std::uint64_t{0};
    std::optional<std::uint32_t> lastVolume;
};

}  // namespace

struct SizeGroups::Compact {
    std::vector<PerThread> threads;           // owns the records and their paths
    std::vector<const KeptFile*> files;       // the groups' members, group by group
    std::vector<ScanCache::Recall> recalled;  // by files, after recall()
};

namespace {

// Copies the given members' paths and records out of the compact form.
void fillFrom(const SizeGroups::Compact& compact, const std::vector<std::size_t>& members,
              std::vector<ResourceValueURL>& files, std::vector<ScanCache::Recall>& recalled) {
    files.reserve(files.size() + members.size());
    for (const std::size_t k : members) {
        const KeptFile& f = *compact.files[k];
        files.push_back(ResourceValueURL{std::string(f.pathView()), f.values});
    }
    if (compact.recalled.empty()) return;
    recalled.reserve(recalled.size() + members.size());
    for (const std::size_t k : members) recalled.push_back(compact.recalled[k]);
}

}  // namespace

void SizeGroups::recall(const ScanCache& cache) {
    if (!compact) return;
    const std::vector<const KeptFile*>& files = compact->files;
    std::vector<ScanCache::Recall>& recalled = compact->recalled;
    recalled.assign(files.size(), ScanCache::Recall{});
    // In pieces small enough to stay in the processor's cache, each asked at once; records
    // without an identity or times (none, from the walker) are known to nobody.
    auto recallRange = [&](std::size_t from, std::size_t to) {
        constexpr std::size_t kPiece = 512, kAhead = 8;
        std::vector<FileStamp> stamps;
        std::vector<std::size_t> at;
        std::vector<ScanCache::Recall> found;
        stamps.reserve(kPiece);
        at.reserve(kPiece);
        for (std::size_t k = from; k < to;) {
            stamps.clear();
            at.clear();
            for (; k < to && stamps.size() < kPiece; ++k) {
                // The records lie in the walk's order, not the groups': each is a fetch from
                // memory, started a few records ahead.
                if (k + kAhead < to) {
                    const char* ahead = reinterpret_cast<const char*>(files[k + kAhead]);
                    __builtin_prefetch(ahead);
                    __builtin_prefetch(ahead + sizeof(KeptFile) - 1);
                }
                const auto id = files[k]->values.fileResourceIdentifier();
                const auto times = files[k]->values.times();
                if (!id || !times) continue;
                stamps.push_back(
                    FileStamp{id->first, id->second, files[k]->size, times->first, times->second});
                at.push_back(k);
            }
            found.resize(stamps.size());
            cache.recall(stamps, found);
            for (std::size_t j = 0; j < at.size(); ++j) recalled[at[j]] = found[j];
        }
    };
    // A rescan waits for this before anything else: the second half goes to a second core.
    constexpr std::size_t kSplitAbove = 16 * 1024;
    if (files.size() <= kSplitAbove) return recallRange(0, files.size());
    const std::size_t half = files.size() / 2;
    auto second = std::async(std::launch::async, recallRange, half, files.size());
    recallRange(0, half);
    second.get();
}

std::vector<std::size_t> SizeGroups::members(const SizeGroup& group) const {
    std::vector<std::size_t> all(group.count);
    for (std::size_t k = 0; k < group.count; ++k) all[k] = group.first + k;
    if (!compact || compact->recalled.empty()) return all;
    // Each member's class, before any path is copied.
    std::vector<std::pair<ContentClass, std::size_t>> classes;
    classes.reserve(group.count);
    for (const std::size_t k : all) {
        const auto cls = compact->recalled[k].knownClass();
        if (!cls || (!classes.empty() && cls->scan != classes.front().first.scan)) return all;
        classes.emplace_back(*cls, k);
    }
    // Names of one file share its stamp, so its hard links share its class and stay together.
    std::sort(classes.begin(), classes.end());
    std::vector<std::size_t> kept;
    for (std::size_t a = 0; a < classes.size();) {
        std::size_t b = a + 1;
        while (b < classes.size() && classes[b].first == classes[a].first) ++b;
        if (b - a >= 2)
            for (std::size_t i = a; i < b; ++i) kept.push_back(classes[i].second);
        a = b;
    }
    return kept;
}

std::vector<ResourceValueURL> SizeGroups::files(const SizeGroup& group) const {
    std::vector<ResourceValueURL> files;
    std::vector<ScanCache::Recall> recalled;
    if (compact) fillFrom(*compact, members(group), files, recalled);
    return files;
}

std::function<void(std::vector<ResourceValueURL>&, std::vector<ScanCache::Recall>&)>
SizeGroups::filler(std::vector<std::size_t> chosen) const {
    return [compact = compact, chosen = std::move(chosen)](
               std::vector<ResourceValueURL>& files, std::vector<ScanCache::Recall>& recalled) {
        if (compact) fillFrom(*compact, chosen, files, recalled);
    };
}

std::optional<std::uint32_t> SizeGroups::volumeIndex(const SizeGroup& group) const {
    if (!compact || group.count == 0) return std::nullopt;
    return compact->files[group.first]->values.volumeIndex();
}

std::shared_ptr<ScanManager> ScanManager::create(Environment environment) {
    return std::shared_ptr<ScanManager>(new ScanManager(std::move(environment)));
}

ScanManager::ScanManager(Environment environment) : environment_(std::move(environment)) {
    if (!environment_.volumeOf)
        environment_.volumeOf = [](const std::string& path) { return platform::volumeOf(path); };
    if (environment_.homeDirectory.empty()) environment_.homeDirectory = kit::customHomeDirectory();
}

ScanManager::~ScanManager() {
    scanStop = true;
    assembleCachedQueue.cancelAllOperations();
    assembleCachedQueue.waitUntilAllOperationsAreFinished();
    assembleSSDQueue.cancelAllOperations();
    assembleHDDQueue.cancelAllOperations();
    // Operations point at scanStop; none may outlive it.
    // The cached queue first: what it cannot finish it hands to the rotating-disk queue.
    assembleCachedQueue.waitUntilAllOperationsAreFinished();
    assembleSSDQueue.waitUntilAllOperationsAreFinished();
    assembleHDDQueue.waitUntilAllOperationsAreFinished();
}

std::shared_ptr<const settings::PerferenceInfo> ScanManager::scanPreference() const {
    std::lock_guard lock(preferenceMutex_);
    return scanPreference_;
}

std::string ScanManager::removalRefusal() const {
    std::lock_guard lock(preferenceMutex_);
    return removalRefusal_;
}

void ScanManager::setScanPreference(std::shared_ptr<const settings::PerferenceInfo> preference) {
    std::lock_guard lock(preferenceMutex_);
    scanPreference_ = std::move(preference);
}

void ScanManager::resetScan() {
    for (auto* list :
         {&totalFiles, &documentFiles, &pictureFiles, &audioFiles, &videoFiles, &otherFiles})
        list->clear();
    for (auto* count : {&totalFilesCount, &documentFilesCount, &pictureFilesCount, &audioFilesCount,
                        &videoFilesCount, &otherFilesCount})
        *count = 0;
    for (auto* size : {&totalFilesSize, &documentFilesSize, &pictureFilesSize, &audioFilesSize,
                       &videoFilesSize, &otherFilesSize})
        *size = 0;
    scanningProgress = 0;
    publishTotals();
    std::lock_guard lock(totalsMutex_);
    skipped_ = {};
}

void ScanManager::publishTotals() {
    files::ScanTotals totals;
    totals.count = totalFilesCount;
    totals.size = totalFilesSize;
    totals.sizeByKind[static_cast<std::size_t>(FileType::video)] = videoFilesSize;
    totals.sizeByKind[static_cast<std::size_t>(FileType::audio)] = audioFilesSize;
    totals.sizeByKind[static_cast<std::size_t>(FileType::picture)] = pictureFilesSize;
    totals.sizeByKind[static_cast<std::size_t>(FileType::document)] = documentFilesSize;
    totals.sizeByKind[static_cast<std::size_t>(FileType::other)] = otherFilesSize;
    std::lock_guard lock(totalsMutex_);
    totals_ = totals;
}

files::ScanTotals ScanManager::scanTotals() const {
    std::lock_guard lock(totalsMutex_);
    return totals_;
}

files::SkippedEntries ScanManager::skippedEntries() const {
    std::lock_guard lock(totalsMutex_);
    return skipped_;
}

void ScanManager::stopAndWait() {
    if (scaning) {
        stopScanning();
        waitUntilScanFinished();
    }
    removeStop = true;
    removeQueue.setSuspended(false);
    // Each file checks the stop flag, so this ends after the file in hand.
    removeQueue.waitUntilAllOperationsAreFinished();
}

void ScanManager::scanDuplicateFile() {
    {
        std::lock_guard lock(finishMutex_);
        bodyRunning_ = true;
    }
    scaning = true;
    scanFinished = false;
    removeFinished = false;
    scanStop = false;
    resetScan();
    {
        const std::string path = environment_.settingsPath.empty()
                                     ? settings::PerferenceInfo::defaultPath()
                                     : environment_.settingsPath;
        auto fresh = std::make_shared<settings::PerferenceInfo>(path);
        if (preferenceOverride) preferenceOverride(*fresh);
        {
            std::lock_guard lock(preferenceMutex_);
            removalRefusal_ = fresh->removalRefusal();
        }
        setScanPreference(std::move(fresh));
    }
    std::weak_ptr<ScanManager> weak = weak_from_this();
    kit::dispatchGlobal([weak, roots = folderList] {
        if (auto self = weak.lock()) self->scanBody(roots);
    });
}

void ScanManager::stopScanning() {
    scanStop = true;
    assembleCachedQueue.cancelAllOperations();
    assembleSSDQueue.cancelAllOperations();
    assembleHDDQueue.cancelAllOperations();
    appendQueue.cancelAllOperations();
    if (auto o = observer()) o->stopScan();
}

void ScanManager::waitUntilScanFinished() {
    std::unique_lock lock(finishMutex_);
    finished_.wait(lock, [this] { return !bodyRunning_; });
}

std::uint64_t ScanManager::enumeratedItems() const {
    const TreeWalker* w = walker_.load();
    return w ? w->filesSeen() : 0;
}

void ScanManager::scanBody(std::vector<std::string> roots) {
    startTime = now();
    if (auto o = observer()) o->startScan();

    // The cache is read, and the disks told apart, while the tree is walked: neither is needed
    // before groups are handed out, and neither waits for the other.
    auto disksKnown = std::async(std::launch::async, [this] {
        disks = environment_.diskInventory ? environment_.diskInventory->allDevices()
                                           : std::vector<platform::DiskInfo>{};
        setScanPathsDiskType();
    });
    std::shared_ptr<ScanCache> cache;
    std::future<void> cacheLoaded;
    if (!environment_.scanCachePath.empty()) {
        cache = std::make_shared<ScanCache>(environment_.scanCachePath);
        cache->beginScan(static_cast<std::int64_t>(*startTime * 1e9));
        cacheLoaded = std::async(std::launch::async, [cache] {
            std::string error;
            if (!cache->load(&error))
                ORVANE_LOG("Duplicate scan cache " + cache->path() + " ignored: " + error);
        });
    }
    SizeGroups sizeGroups = filterSameSize(roots);
    disksKnown.get();
    if (scanStop) sizeGroups = {};
    if (cacheLoaded.valid()) {
        cacheLoaded.get();
        std::size_t candidates = 0;
        for (const auto& group : sizeGroups.groups) candidates += group.count;
        cache->expect(candidates);
        sizeGroups.recall(*cache);
    }

    // Progress counts the work a group is expected to take: its bytes, and for each file the
    // cost of opening it, so a tree of many tiny files moves as steadily as one of a few big ones.
    auto work = [](const SizeGroup& group) {
        return static_cast<double>(group.count) *
               (static_cast<double>(std::max<std::int64_t>(group.size, 0)) + kOpenCost);
    };
    // Largest work first: what is left at the end is small, so no core waits idle while another
    // reads a big group alone.
    std::vector<std::size_t> order(sizeGroups.groups.size());
    std::vector<double> workOf(sizeGroups.groups.size());
    double totalWork = static_cast<double>(sizeGroups.singleSizes) * kOpenCost;
    for (std::size_t k = 0; k < order.size(); ++k) {
        order[k] = k;
        workOf[k] = work(sizeGroups.groups[k]);
        totalWork += workOf[k];
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return workOf[a] > workOf[b]; });
    {
        std::lock_guard lock(progressMutex_);
        progressCount_ = 0;
        progressTotal_ = totalWork;
    }
    std::weak_ptr<ScanManager> weak = weak_from_this();
    auto advance = [weak](double by) {
        auto self = weak.lock();
        if (!self) return;
        double value;
        {
            std::lock_guard lock(self->progressMutex_);
            self->progressCount_ += by;
            value = self->progressTotal_ > 0 ? self->progressCount_ / self->progressTotal_ : 1.0;
        }
        self->scanningProgress = value;
        if (auto o = self->observer()) o->scanProgress(value);
    };

    // Sizes met once need no reading; they are finished as a batch rather than one main-thread
    // hop per file.
    if (sizeGroups.singleSizes > 0 && !scanStop) {
        const double singles = static_cast<double>(sizeGroups.singleSizes) * kOpenCost;
        kit::MainQueue::post([advance, singles] { advance(singles); });
    }

    // Operations are made as the queues drain rather than all at once: a tree with a million
    // candidate groups would otherwise hold a million waiting operations.
    auto window = std::make_shared<std::counting_semaphore<kQueuedGroups>>(kQueuedGroups);
    // Small groups travel to their queue in batches, run one after another by one worker: a
    // group of a few small files (or one a rescan knows whole) takes less time than the hand-
    // over between threads would.
    using Batch = std::vector<std::shared_ptr<AssembleOperation>>;
    struct Pending {
        Batch ops;
        std::uint64_t bytes = 0, files = 0;
    };
    Pending ssdBatch, cachedBatch;
    auto flush = [](Pending& pending, kit::OperationQueue& queue) {
        if (pending.ops.empty()) return;
        auto ops = std::make_shared<Batch>(std::move(pending.ops));
        pending = {};
        auto next = std::make_shared<std::size_t>(0);
        auto runRest = [ops, next] {
            while (*next < ops->size()) (*ops)[(*next)++]->start();
        };
        auto batch = std::make_shared<kit::BlockOperation>(runRest);
        // Also when the batch was cancelled before it ran: each group's completion still runs
        // (its work ends at once, as the scan is stopping), so no place in the window is lost.
        batch->setCompletionBlock(runRest);
        queue.addOperation(std::move(batch));
    };
    auto submit = [&flush](Pending& pending, kit::OperationQueue& queue,
                           std::shared_ptr<AssembleOperation> op, std::size_t files) {
        pending.files += files;
        pending.bytes += files * static_cast<std::uint64_t>(std::max<std::int64_t>(op->size, 0));
        pending.ops.push_back(std::move(op));
        if (pending.ops.size() >= kBatchGroups || pending.files >= kBatchFiles ||
            pending.bytes >= kBatchBytes)
            flush(pending, queue);
    };
    for (const std::size_t index : order) {
        SizeGroup& group = sizeGroups.groups[index];
        const double groupWork = workOf[index];
        window->acquire();
        if (scanStop) {
            window->release();
            if (auto o = observer()) o->stopScan();
            break;
        }
        // Which members to read is settled here; their paths are copied by the operation
        // itself, on its own thread.
        std::vector<std::size_t> chosen = sizeGroups.members(group);
        if (chosen.size() < 2) {
            // A rescan that knows every member to be unique.
            window->release();
            advance(groupWork);
            continue;
        }
        const std::optional<std::uint32_t> volume = sizeGroups.volumeIndex(group);
        if (!volume) {
            // Without a volume the disk kind is unknown; such a group is left out.
            window->release();
            advance(groupWork);
            continue;
        }
        const std::optional<std::string> volumeURL = VolumeRegistry::mountPoint(*volume);
        bool solidState = false;
        if (volumeURL && !volumeTypeOfDisk.empty()) {
            auto it = volumeTypeOfDisk.find(*volumeURL);
            solidState = it != volumeTypeOfDisk.end() && it->second;
        }
        // An operation's groups go to appendQueue together, when it ends: one hop per size
        // group rather than one per group found keeps a tree of many small files from queueing
        // a hundred thousand tiny appends.
        using Found = std::shared_ptr<std::vector<DuplicateFilesPtr>>;
        auto makeOperation = [this, weak, cache](AssembleOperation::Fill fill, std::int64_t size,
                                                 const Found& found) {
            auto op = std::make_shared<AssembleOperation>(std::move(fill), size, &scanStop);
            op->cache = cache;
            op->assemblingBlock = [weak](const std::string& path) {
                if (auto self = weak.lock())
                    if (auto o = self->observer()) o->scaningPath(path);
            };
            op->assembleBlock = [found](DuplicateFilesPtr group) {
                found->push_back(std::move(group));
            };
            return op;
        };
        auto deliver = [weak](const Found& found) {
            if (found->empty()) return;
            if (auto self = weak.lock()) {
                self->appendQueue.addOperation([weak, found] {
                    if (auto s = weak.lock())
                        for (const auto& group : *found) s->append(group);
                });
            }
        };
        auto found = std::make_shared<std::vector<DuplicateFilesPtr>>();
        const std::size_t files = chosen.size();
        auto op = makeOperation(sizeGroups.filler(std::move(chosen)), group.size, found);
        if (solidState) {
            op->setCompletionBlock([advance, groupWork, window, deliver, found] {
                deliver(found);
                window->release();
                advance(groupWork);
            });
            submit(ssdBatch, assembleSSDQueue, std::move(op), files);
        } else {
            op->cachedOnly = true;
            AssembleOperation* attempt = op.get();  // alive while its completion runs
            op->setCompletionBlock(
                [this, attempt, advance, groupWork, makeOperation, deliver, found, window] {
                    if (!attempt->deferred || scanStop) {
                        deliver(found);
                        window->release();
                        advance(groupWork);
                        return;
                    }
                    auto later = std::make_shared<std::vector<DuplicateFilesPtr>>();
                    // The attempt is over: what it was handed moves on to the second one.
                    auto again = makeOperation(
                        [data = std::move(attempt->data), recalled = std::move(attempt->recalled)](
                            std::vector<ResourceValueURL>& d,
                            std::vector<ScanCache::Recall>& r) mutable {
                            d = std::move(data);
                            r = std::move(recalled);
                        },
                        attempt->size, later);
                    // Longer reads: the one reader of a rotating disk seeks less between
                    // the files it compares side by side.
                    again->limits.bufferBytes = kRotatingBuffer;
                    again->limits.maxChunk = kRotatingChunk;
                    again->setCompletionBlock([advance, groupWork, window, deliver, later] {
                        deliver(later);
                        window->release();
                        advance(groupWork);
                    });
                    assembleHDDQueue.addOperation(std::move(again));
                });
            submit(cachedBatch, assembleCachedQueue, std::move(op), files);
        }
    }
    flush(ssdBatch, assembleSSDQueue);
    flush(cachedBatch, assembleCachedQueue);
    sizeGroups = {};

    // The cached queue first: what it cannot finish it hands to the rotating-disk queue.
    assembleCachedQueue.waitUntilAllOperationsAreFinished();
    assembleSSDQueue.waitUntilAllOperationsAreFinished();
    assembleHDDQueue.waitUntilAllOperationsAreFinished();
    // Groups found by the last operations may still wait to be appended.
    appendQueue.waitUntilAllOperationsAreFinished();
    if (cache) {
        std::string error;
        if (!cache->save(&error)) ORVANE_LOG("Duplicate scan cache not saved: " + error);
    }
    scaning = false;
    scanFinished = true;
    endTime = now();
    if (auto o = observer()) o->scanFinished();
    {
        std::lock_guard lock(finishMutex_);
        bodyRunning_ = false;
    }
    finished_.notify_all();
}

void ScanManager::append(const DuplicateFilesPtr& group) {
    const auto count = static_cast<std::int64_t>(group->count());
    totalFiles.push_back(group);
    totalFilesCount += count;
    totalFilesSize += group->totalSize;
    if (group->infos().empty()) return publishTotals();
    switch (group->infos().front()->fileType()) {
        case FileType::video:
            videoFiles.push_back(group), videoFilesCount += count,
                videoFilesSize += group->totalSize;
            break;
        case FileType::audio:
            audioFiles.push_back(group), audioFilesCount += count,
                audioFilesSize += group->totalSize;
            break;
        case FileType::picture:
            pictureFiles.push_back(group), pictureFilesCount += count,
                pictureFilesSize += group->totalSize;
            break;
        case FileType::document:
            documentFiles.push_back(group), documentFilesCount += count,
                documentFilesSize += group->totalSize;
            break;
        case FileType::other:
            otherFiles.push_back(group), otherFilesCount += count,
                otherFilesSize += group->totalSize;
            break;
    }
    publishTotals();
}

void ScanManager::setScanPathsDiskType() {
    volumeTypeOfDisk.clear();
    if (!environment_.diskInventory) return;
    for (const auto& path : folderList) {
        const auto volume = environment_.volumeOf(path);
        if (!volume || volume->mountPoint.empty()) continue;
        const std::string model = environment_.diskInventory->getDeviceModel(volume->mountPoint);
        // A volume with no disk behind it (tmpfs, network, image) matches no disk, even one
        // whose product name is also unknown.
        if (model.empty()) continue;
        for (const auto& disk : disks)
            if (disk.productName == model) volumeTypeOfDisk[volume->mountPoint] = disk.SSD;
    }
}

ScanRules ScanManager::scanRules() const {
    return ScanRules(environment_.homeDirectory, scanPreference());
}

std::vector<std::string> ScanManager::cleanRoots(const std::vector<std::string>& roots) const {
    return scanRules().cleanRoots(roots);
}

bool ScanManager::isInsideFramework(std::string_view url) {
    return ScanRules::isInsideFramework(url);
}

bool ScanManager::whitePathIgnore(const std::string& url) const {
    return scanRules().whitePathIgnore(url);
}

bool ScanManager::ignoreFile(std::string_view url, std::int64_t size,
                             const ResourceValues& values) const {
    return scanRules().ignoreFile(url, size, values);
}

std::optional<std::uint32_t> ScanManager::volumeIndexOf(std::uint64_t device,
                                                        std::string_view path) {
    std::lock_guard lock(volumesMutex_);
    auto it = volumesByDevice_.find(device);
    if (it != volumesByDevice_.end()) return it->second;
    std::optional<std::uint32_t> index;
    if (const auto volume = environment_.volumeOf(std::string(path));
        volume && !volume->mountPoint.empty())
        index = VolumeRegistry::intern(volume->mountPoint, volume->isLocal);
    volumesByDevice_.emplace(device, index);
    return index;
}

SizeGroups ScanManager::filterSameSize(const std::vector<std::string>& paths) {
    const ScanRules rules = scanRules();
    const auto& preference = rules.preference();
    std::unordered_set<std::string> whiteList;
    if (preference)
        for (const auto& entry : preference->whiteListPath)
            whiteList.emplace(kit::withoutTrailingSlashes(entry));
    const platform::Layout& layout = environment_.layout;

    // Exclusions by identity as well as by spelling: see files::ExclusionSet.
    const files::ExclusionSet excluded(preference ? preference->whiteListPath
                                                  : std::vector<std::string>{});
    std::vector<std::string> roots;
    for (const auto& root : rules.cleanRoots(paths)) {
        if (rules.whitePathIgnore(root) || excluded.excludesPathOrAncestor(root)) continue;
        roots.emplace_back(kit::withoutTrailingSlashes(root));
    }
    // Under a root inside a framework every item is; such a root yields nothing.
    std::erase_if(roots, [](const std::string& r) { return ScanRules::isInsideFramework(r); });

    // Folders are stat'ed only when some exclusion needs their identity.
    TreeWalker walker(TreeWalker::Options{environment_.walkerThreads, !excluded.empty()});
    std::vector<PerThread> threads(walker.threadCount());
    walker_ = &walker;
    std::atomic<std::uint64_t> unreadableFiles{0};

    walker.walk(
        roots,
        [&](const WalkEntry& e) -> WalkAction {
            const bool isDirectory = e.type == EntryType::directory;
            if (!isDirectory && !e.statOk) return WalkAction::proceed;  // vanished or unreadable
            if (e.name.ends_with(".framework")) return WalkAction::skipDescendants;
            if (isDirectory && ScanRules::isPseudoFileSystemPath(e.path))
                return WalkAction::skipDescendants;
            if (isDirectory && !whiteList.empty() && whiteList.count(std::string(e.path)))
                return WalkAction::skipDescendants;
            if (e.statOk && excluded.excludes(e.device, e.inode))
                return isDirectory ? WalkAction::skipDescendants : WalkAction::proceed;
            const WalkAction pastDirectory = (isDirectory && layout.isPackage(e.path))
                                                 ? WalkAction::skipDescendants
                                                 : WalkAction::proceed;
            if (ScanRules::ignoresExtension(kit::pathExtension(e.name))) return pastDirectory;
            if (!isDirectory && !TreeWalker::isReadable(e)) {
                unreadableFiles.fetch_add(1, std::memory_order_relaxed);
                return WalkAction::proceed;
            }

            const bool isApplication = isDirectory && layout.isApplicationBundle(e.path);
            const bool isAlias = e.type == EntryType::symlink;
            std::uint64_t size;
            if (isApplication) {
                size = applicationSize(std::string(e.path));
            } else if (!isAlias && !isDirectory) {
                size = e.size;
            } else if (isDirectory) {
                return e.hidden ? WalkAction::skipDescendants : pastDirectory;
            } else {
                size = 0;
            }

            ResourceValues values;
            values.setFlag(ResourceValues::isDirectoryKey, isDirectory);
            values.setFlag(ResourceValues::isApplicationKey, isApplication);
            values.setFlag(ResourceValues::isAliasFileKey, isAlias);
            values.setFlag(ResourceValues::isHiddenKey, e.hidden);
            values.setFlag(ResourceValues::isReadableKey, true);
            if (e.statOk) {
                values.setTotalFileSize(isApplication ? size : e.size);
                values.setFlag(ResourceValues::isWritableKey, TreeWalker::isWritable(e));
                values.setFileIdentifier(e.device, e.inode);
                values.setTimes(e.mtimeNs, e.ctimeNs);
                PerThread& mine = threads[e.thread];
                if (e.device != mine.lastDevice) {
                    mine.lastDevice = e.device;
                    mine.lastVolume = volumeIndexOf(e.device, e.path);
                }
                if (mine.lastVolume) values.setVolume(*mine.lastVolume);
            }
            if (!rules.ignoreFile(e.path, static_cast<std::int64_t>(size), values)) {
                PerThread& mine = threads[e.thread];
                mine.kept.push_back(KeptFile{size, mine.arena.store(e.path),
                                             static_cast<std::uint32_t>(e.path.size()), values});
            }
            return isApplication ? WalkAction::skipDescendants : pastDirectory;
        },
        &scanStop);
    walker_ = nullptr;
    {
        std::lock_guard lock(totalsMutex_);
        skipped_.unreadableFolders += walker.unreadableDirectories();
        skipped_.tooLongPaths += walker.tooLongPaths();
        skipped_.unreadableFiles += unreadableFiles.load();
    }

    SizeGroups result;
    if (scanStop) return result;
    auto compact = std::make_shared<SizeGroups::Compact>();
    // Every record by number, block by block: record r is blocks[r / kBlock][r % kBlock].
    std::vector<const KeptFile*> blocks;
    std::vector<SizeKey> keys;
    {
        std::size_t total = 0;
        for (const auto& t : threads) total += t.kept.size();
        keys.reserve(total);
        for (const auto& t : threads)
            t.kept.eachBlock([&](const KeptFile* first, std::size_t count) {
                const auto base = static_cast<std::uint32_t>(blocks.size() * KeptFiles::kBlock);
                blocks.push_back(first);
                for (std::size_t k = 0; k < count; ++k)
                    keys.push_back({first[k].size, base + static_cast<std::uint32_t>(k)});
            });
    }
    result.recordedFiles = keys.size();
    // By size alone: no path is recorded twice, as the walker reads every folder once, from
    // whichever root reaches it first; a group puts its members in path order when it delivers
    // them. Within one size the records keep the walk's order, so a tree always groups alike.
    sortBySize(keys);
    // Only sizes met twice or more are listed, group by group; the records stay where the walk
    // put them. Single sizes are counted and dropped.
    std::size_t members = 0;
    for (std::size_t a = 0; a < keys.size();) {
        std::size_t b = a + 1;
        while (b < keys.size() && keys[b].size == keys[a].size) ++b;
        if (b - a >= 2) members += b - a;
        a = b;
    }
    std::vector<const KeptFile*>& all = compact->files;
    all.reserve(members);
    for (std::size_t a = 0; a < keys.size();) {
        std::size_t b = a + 1;
        while (b < keys.size() && keys[b].size == keys[a].size) ++b;
        if (b - a >= 2) {
            SizeGroup group;
            group.size = static_cast<std::int64_t>(keys[a].size);
            group.first = all.size();
            group.count = b - a;
            for (std::size_t k = a; k < b; ++k) {
                const std::uint32_t r = keys[k].record;
                all.push_back(&blocks[r / KeptFiles::kBlock][r % KeptFiles::kBlock]);
            }
            result.groups.push_back(std::move(group));
        } else {
            ++result.singleSizes;
        }
        a = b;
    }
    std::vector<SizeKey>().swap(keys);
    compact->threads = std::move(threads);
    result.compact = std::move(compact);
    return result;
}

}  // namespace orvane::duplicates
