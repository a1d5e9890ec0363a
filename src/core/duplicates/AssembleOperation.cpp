#include "core/duplicates/AssembleOperation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "core/duplicates/LockstepComparison.h"
#include "core/duplicates/Md5File.h"
#include "core/duplicates/PathOrder.h"
#include "core/duplicates/ScanCache.h"
#include "core/duplicates/ScratchRoom.h"

namespace orvane::duplicates {

namespace {

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

}  // namespace

// Files opened for sampling stay open for their comparison, so each name is looked up once, up
// to a bound that keeps a few operations at once far from the descriptor limit; beyond it a file
// is opened for each use.
class FileHandles {
public:
    static constexpr std::size_t kKeepOpen = 128;

    FileHandles(std::size_t count, std::uint64_t size) : fds_(count, -1), size_(size) {}
    ~FileHandles() {
        for (int fd : fds_)
            if (fd >= 0) ::close(fd);
    }
    FileHandles(const FileHandles&) = delete;
    FileHandles& operator=(const FileHandles&) = delete;

    // Calls `use` with an open descriptor of file i, or returns `failed` when it cannot be
    // opened.
    template <class F, class R>
    R with(std::size_t i, const ResourceValueURL& file, R failed, F&& use) {
        int fd = fds_[i];
        if (fd < 0) {
            // A name that leads to another file than the scan saw (replaced meanwhile, perhaps
            // between two chunks of one comparison) is not the file being compared.
            const auto id = file.resourceValues.fileResourceIdentifier();
            fd = id ? ContentReader::open(file.url, id->first, id->second, size_)
                    : ContentReader::open(file.url);
            if (fd < 0) return failed;
            if (open_ < kKeepOpen) {
                fds_[i] = fd;
                ++open_;
            } else {
                R result = use(fd);
                ::close(fd);
                return result;
            }
        }
        return use(fd);
    }
    void close(std::size_t i) {
        if (fds_[i] >= 0) {
            ::close(fds_[i]);
            fds_[i] = -1;
            --open_;
        }
    }
    // When no descriptor is left to keep, frees every one but those of `keep`, so that the set
    // compared next stays open.
    void keepOnly(const std::vector<std::size_t>& keep) {
        if (open_ < kKeepOpen) return;
        std::vector<bool> kept(fds_.size(), false);
        for (std::size_t i : keep) kept[i] = true;
        for (std::size_t i = 0; i < fds_.size(); ++i)
            if (!kept[i]) close(i);
    }

private:
    std::vector<int> fds_;
    std::uint64_t size_;  // what every file of the group had when scanned
    std::size_t open_ = 0;
};

AssembleOperation::AssembleOperation(std::vector<ResourceValueURL> files, std::int64_t groupSize,
                                     const std::atomic<bool>* scanStop)
    : data(std::move(files)), size(groupSize), scanStop_(scanStop) {}

AssembleOperation::AssembleOperation(Fill fill, std::int64_t groupSize,
                                     const std::atomic<bool>* scanStop)
    : size(groupSize), fill_(std::move(fill)), scanStop_(scanStop) {}

bool AssembleOperation::stopped() const {
    return isCancelled() || (scanStop_ && scanStop_->load(std::memory_order_relaxed)) ||
           (cachedOnly && ContentReader::wouldHaveBlocked());
}

std::vector<std::vector<std::size_t>> AssembleOperation::compareInMemory(
    const std::vector<std::size_t>& toCompare, std::uint64_t bytes, FileHandles& files) {
    // One block holds every file of the group, each with a spare byte that shows growth.
    const std::size_t stride = static_cast<std::size_t>(bytes) + 1;
    std::uint8_t* const room = ScratchRoom::atLeast(toCompare.size() * stride, kInMemoryGroup);
    auto at = [&](std::size_t k) { return room + k * stride; };

    std::vector<std::pair<std::uint64_t, std::size_t>> prints;  // (fingerprint, slot)
    for (std::size_t k = 0; k < toCompare.size(); ++k) {
        if (stopped()) break;
        const std::size_t i = toCompare[k];
        announce(i);
        const bool read = files.with(
            i, data[i], false, [&](int fd) { return ContentReader::readWhole(fd, bytes, at(k)); });
        if (read) prints.emplace_back(XXH3_64bits(at(k), static_cast<std::size_t>(bytes)), k);
    }
    std::sort(prints.begin(), prints.end());

    // Sets of byte-identical files: equal fingerprints are confirmed by comparing the bytes.
    std::vector<std::vector<std::size_t>> sets;
    for (std::size_t a = 0; a < prints.size();) {
        std::size_t b = a + 1;
        while (b < prints.size() && prints[b].first == prints[a].first) ++b;
        const std::size_t firstSet = sets.size();
        for (std::size_t p = a; p < b; ++p) {
            const std::size_t k = prints[p].second;
            bool placed = false;
            for (std::size_t s = firstSet; s < sets.size() && !placed; ++s) {
                if (std::memcmp(at(sets[s].front()), at(k), static_cast<std::size_t>(bytes)) == 0) {
                    sets[s].push_back(k);
                    placed = true;
                }
            }
            if (!placed) sets.push_back({k});
        }
        a = b;
    }
    for (auto& set : sets)
        for (std::size_t& k : set) k = toCompare[k];
    return sets;
}
std::vector<std::vector<std::size_t>> AssembleOperation::compareInLockstep(
    const std::vector<std::size_t>& toCompare, std::uint64_t bytes, FileHandles& files) {
    LockstepComparison comparison(bytes, limits);
    auto inLockstep = [&](const std::vector<std::size_t>& set) {
        auto sets = comparison.split(
            set.size(),
            [&](std::size_t m, std::uint64_t offset, std::uint8_t* into, std::size_t length) {
                const std::size_t i = set[m];
                if (offset == 0) announce(i);
                return files.with(i, data[i], false, [&](int fd) {
                    if (offset == 0 && bytes > length)
                        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
                    return ContentReader::readAt(fd, offset, into, length);
                });
            },
            [&](std::size_t m) {
                const std::size_t i = set[m];
                return files.with(i, data[i], false,
                                  [&](int fd) { return ContentReader::endsAt(fd, bytes); });
            },
            [&](std::size_t m) { files.close(set[m]); }, [this] { return stopped(); });
        for (auto& found : sets)
            for (std::size_t& m : found) m = set[m];
        return sets;
    };
    const std::size_t batch = std::min(comparison.maxMembers(), FileHandles::kKeepOpen);
    if (toCompare.size() <= batch) return inLockstep(toCompare);

    // More files than the buffers hold side by side (most often many copies of one file): they
    // are taken in batches, one file of each content found so far standing for it in the next.
    std::vector<std::vector<std::size_t>> classes;
    std::size_t next = 0;
    while (next < toCompare.size() && classes.size() <= batch / 2) {
        if (stopped()) return {};
        std::vector<std::size_t> round;
        std::map<std::size_t, std::size_t> classOfRep;
        for (std::size_t c = 0; c < classes.size(); ++c) {
            classOfRep[classes[c].front()] = c;
            round.push_back(classes[c].front());
        }
        while (round.size() < batch && next < toCompare.size()) round.push_back(toCompare[next++]);
        for (auto& set : inLockstep(round)) {
            std::optional<std::size_t> into;
            for (std::size_t i : set)
                if (const auto it = classOfRep.find(i); it != classOfRep.end()) into = it->second;
            if (!into) {
                classes.push_back(std::move(set));
                continue;
            }
            for (std::size_t i : set)
                if (!classOfRep.count(i)) classes[*into].push_back(i);
        }
    }
    if (next < toCompare.size()) {
        // Too many different contents to carry along: the rest join by digest, SHA-256 with MD5,
        // each byte read once.
        std::map<ContentDigest, std::size_t> classOfDigest;
        auto digestOf = [&](std::size_t i) {
            announce(i);
            return files.with(i, data[i], std::optional<ContentDigest>{}, [&](int fd) {
                return ContentReader::digestAt(fd, bytes, [this] { return stopped(); });
            });
        };
        for (std::size_t c = 0; c < classes.size(); ++c)
            if (const auto d = digestOf(classes[c].front())) classOfDigest.emplace(*d, c);
        for (; next < toCompare.size(); ++next) {
            if (stopped()) return {};
            const std::size_t i = toCompare[next];
            const auto d = digestOf(i);
            files.close(i);
            if (!d) continue;
            const auto [it, fresh] = classOfDigest.emplace(*d, classes.size());
            if (fresh) classes.push_back({i});
            else classes[it->second].push_back(i);
        }
    }
    for (auto& set : classes) std::sort(set.begin(), set.end());
    return classes;
}

std::vector<std::vector<std::size_t>> AssembleOperation::compare(
    const std::vector<std::size_t>& toCompare, std::uint64_t bytes, FileHandles& files) {
    if (bytes <= kInMemoryFile && toCompare.size() * (bytes + 1) <= kInMemoryGroup)
        return compareInMemory(toCompare, bytes, files);
    return compareInLockstep(toCompare, bytes, files);
}

std::optional<std::uint64_t> AssembleOperation::knownSample(std::size_t i,
                                                            std::uint64_t bytes) const {
    if (!recalled.empty()) return recalled[i].knownSample();
    const auto stamp = FileStamp::of(data[i], bytes);
    return stamp ? cache->sample(*stamp) : std::nullopt;
}

std::optional<ContentClass> AssembleOperation::knownClass(std::size_t i,
                                                          std::uint64_t bytes) const {
    if (!recalled.empty()) return recalled[i].knownClass();
    const auto stamp = FileStamp::of(data[i], bytes);
    return stamp ? cache->contentClass(*stamp) : std::nullopt;
}

std::vector<std::vector<std::size_t>> AssembleOperation::confirm(
    const std::vector<std::size_t>& candidate, std::uint64_t bytes, FileHandles& files,
    bool& known) {
    known = false;
    if (!cache) return compare(candidate, bytes, files);
    // Files an earlier scan compared, unchanged since, stand for their whole class: only one
    // of each class and the files nobody compared yet are read.
    std::vector<std::pair<ContentClass, std::size_t>> knownFiles;  // (class, file), sorted below
    std::vector<std::size_t> toCompare;
    for (std::size_t i : candidate) {
        const auto cls = knownClass(i, bytes);
        if (cls) knownFiles.emplace_back(*cls, i);
        else toCompare.push_back(i);
    }
    std::sort(knownFiles.begin(), knownFiles.end());
    // Runs of one class in knownFiles, as [begin, end).
    std::vector<std::pair<std::size_t, std::size_t>> classes;
    for (std::size_t a = 0; a < knownFiles.size();) {
        std::size_t b = a + 1;
        while (b < knownFiles.size() && knownFiles[b].first == knownFiles[a].first) ++b;
        classes.emplace_back(a, b);
        a = b;
    }
    const bool oneScan =
        !knownFiles.empty() && knownFiles.front().first.scan == knownFiles.back().first.scan;
    std::vector<std::vector<std::size_t>> sets;
    auto membersOf = [&](std::pair<std::size_t, std::size_t> run, std::vector<std::size_t>& into) {
        for (std::size_t k = run.first; k < run.second; ++k) into.push_back(knownFiles[k].second);
    };
    if (toCompare.empty() && oneScan) {
        // One scan compared them all with each other: its classes are the answer, and stay as
        // they are. The stamps they are known by are the walk's, taken moments ago; removal
        // checks them, and the bytes, again before it touches anything.
        known = true;
        sets.resize(classes.size());
        for (std::size_t c = 0; c < classes.size(); ++c) membersOf(classes[c], sets[c]);
        return sets;
    }
    // (first member, class run), sorted by the member, for the files that stand for a class.
    std::vector<std::pair<std::size_t, std::pair<std::size_t, std::size_t>>> classOf;
    for (const auto& run : classes) {
        classOf.emplace_back(knownFiles[run.first].second, run);
        toCompare.push_back(knownFiles[run.first].second);
    }
    std::sort(classOf.begin(), classOf.end());
    std::sort(toCompare.begin(), toCompare.end());
    for (auto& set : compare(toCompare, bytes, files)) {
        std::vector<std::size_t> expanded;
        for (std::size_t i : set) {
            const auto it = std::lower_bound(
                classOf.begin(), classOf.end(), i,
                [](const auto& entry, std::size_t file) { return entry.first < file; });
            if (it == classOf.end() || it->first != i) expanded.push_back(i);
            else membersOf(it->second, expanded);
        }
        sets.push_back(std::move(expanded));
    }
    return sets;
}

void AssembleOperation::main() {
    if (fill_) {
        fill_(data, recalled);
        fill_ = nullptr;
    }
    ContentReader::setCachedOnly(cachedOnly);
    struct Restore {
        ~Restore() { ContentReader::setCachedOnly(false); }
    } restore;
    if (stopped()) return;
    const bool partial = size > kRecheckAbove;
    const auto bytes = static_cast<std::uint64_t>(std::max<std::int64_t>(size, 0));
    announced_.assign(data.size(), false);

    // Sets of files with identical content, as indices into data.
    std::vector<std::vector<std::size_t>> sets;
    // Remembered only once the comparison is whole (not stopped, nothing left for later).
    std::vector<std::optional<std::uint64_t>> learnedSamples;
    std::vector<std::optional<ContentClass>> learnedClasses;
    if (cache) {
        learnedSamples.resize(data.size());
        learnedClasses.resize(data.size());
    }
    if (bytes == 0) {
        // Empty files are equal without reading anything.
        std::vector<std::size_t> present;
        for (std::size_t i = 0; i < data.size(); ++i) {
            if (stopped()) break;
            if (!exists(data[i].url)) continue;
            announce(i);
            present.push_back(i);
        }
        sets.push_back(std::move(present));
    } else {
        FileHandles files(data.size(), bytes);
        // Hard links are one file under several names: only the first name of each is read,
        // and the others join whatever set it ends in.
        std::vector<std::size_t> readers;
        std::vector<std::vector<std::size_t>> linksOf(data.size());
        {
            // Sorted by identity, so names of one file lie side by side; the first name in
            // data order is the one read.
            std::vector<std::pair<std::pair<std::uint64_t, std::uint64_t>, std::size_t>> byId;
            byId.reserve(data.size());
            for (std::size_t i = 0; i < data.size(); ++i) {
                if (const auto id = data[i].resourceValues.fileResourceIdentifier())
                    byId.emplace_back(*id, i);
                else readers.push_back(i);
            }
            std::sort(byId.begin(), byId.end());
            for (std::size_t a = 0; a < byId.size();) {
                std::size_t b = a + 1;
                while (b < byId.size() && byId[b].first == byId[a].first) ++b;
                readers.push_back(byId[a].second);
                for (std::size_t k = a + 1; k < b; ++k)
                    linksOf[byId[a].second].push_back(byId[k].second);
                a = b;
            }
            std::sort(readers.begin(), readers.end());
        }

        // Candidate sets: files that may be equal. Larger files are sampled first: most files
        // of equal size but different content part there, before anything is read whole.
        std::vector<std::vector<std::size_t>> candidates;
        const bool sampled = bytes > ContentReader::kWholeReadLimit && readers.size() >= 2;
        if (!sampled) {
            candidates.push_back(readers);
        } else {
            std::vector<std::pair<std::uint64_t, std::size_t>> samples;
            samples.reserve(readers.size());
            for (std::size_t i : readers) {
                if (stopped()) break;
                const auto stamp = cache ? FileStamp::of(data[i], bytes) : std::nullopt;
                std::optional<std::uint64_t> sample;
                if (stamp) sample = knownSample(i, bytes);
                if (!sample) {
                    announce(i);
                    sample = files.with(i, data[i], std::optional<std::uint64_t>{},
                                        [&](int fd) { return ContentReader::sample(fd, bytes); });
                    if (stamp) learnedSamples[i] = sample;
                }
                if (sample) samples.emplace_back(*sample, i);
            }
            std::sort(samples.begin(), samples.end());
            for (std::size_t a = 0; a < samples.size();) {
                std::size_t b = a + 1;
                while (b < samples.size() && samples[b].first == samples[a].first) ++b;
                std::vector<std::size_t> candidate;
                for (std::size_t k = a; k < b; ++k) candidate.push_back(samples[k].second);
                if (b - a < 2) files.close(samples[a].second);
                candidates.push_back(std::move(candidate));
                a = b;
            }
        }
        for (const auto& candidate : candidates) {
            if (stopped()) break;
            if (candidate.size() < 2) {
                sets.push_back(candidate);  // alone: its hard links are still its copies
                continue;
            }
            const std::size_t first = sets.size();
            files.keepOnly(candidate);
            bool known = false;
            for (auto& set : confirm(candidate, bytes, files, known))
                sets.push_back(std::move(set));
            if (cache && !known) {
                for (std::size_t k = first; k < sets.size(); ++k) {
                    const ContentClass cls = cache->newClass();
                    for (std::size_t i : sets[k])
                        if (const auto stamp = FileStamp::of(data[i], bytes))
                            learnedClasses[i] = cls;
                }
            }
        }
        for (auto& set : sets) {
            const std::size_t readCount = set.size();
            for (std::size_t k = 0; k < readCount; ++k)
                set.insert(set.end(), linksOf[set[k]].begin(), linksOf[set[k]].end());
        }
    }

    if (cachedOnly && ContentReader::wouldHaveBlocked()) {
        deferred = true;
        return;
    }
    if (cache && !stopped()) {
        std::vector<ScanCache::Fact> facts;
        for (std::size_t i = 0; i < data.size(); ++i)
            if (learnedSamples[i] || learnedClasses[i])
                if (const auto stamp = FileStamp::of(data[i], bytes))
                    facts.push_back({*stamp, learnedSamples[i], learnedClasses[i]});
        cache->store(facts);
    }
    for (const auto& set : sets) {
        if (set.size() < 2) continue;
        std::vector<std::size_t> members;
        for (std::size_t i : set) {
            if (partial) {
                // Reading gigabytes takes long enough for files to go away meanwhile.
                if (stopped()) break;
                if (!exists(data[i].url)) continue;
            }
            members.push_back(i);
        }
        if (partial && stopped() && members.size() < 2) return;
        if (members.size() < 2) continue;
        std::sort(members.begin(), members.end(), [this](std::size_t x, std::size_t y) {
            return pathLess(data[x].url, data[y].url);
        });
        auto group = std::make_shared<DuplicateFiles>();
        group->_infos.reserve(members.size());
        // Hard links are one file under several names: their bytes count once, as removing a
        // name frees nothing while another remains.
        std::vector<std::pair<std::uint64_t, std::uint64_t>> counted;
        for (std::size_t i : members) {
            const auto id = data[i].resourceValues.fileResourceIdentifier();
            if (id) counted.push_back(*id);
            else group->totalSize += bytes;
            // A file is in one set, and nothing reads its entry after this: the path moves on.
            group->_infos.push_back(std::make_shared<FileInfo>(std::move(data[i]), bytes));
        }
        std::sort(counted.begin(), counted.end());
        group->totalSize +=
            bytes * static_cast<std::uint64_t>(std::unique(counted.begin(), counted.end()) -
                                               counted.begin());
        if (assembleBlock) assembleBlock(std::move(group));
    }
}

}  // namespace orvane::duplicates
