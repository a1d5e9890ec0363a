#include "core/duplicates/AssembleOperation.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <optional>

#include "core/duplicates/Md5File.h"
#include "core/duplicates/PathOrder.h"

namespace orvane::duplicates {

namespace {

// Remembers what was computed for each inode, so the second name of a hard link costs nothing.
template <class Value>
class InodeMemo {
public:
    const std::optional<Value>* find(const ResourceValueURL& file) const {
        const auto id = file.resourceValues.fileResourceIdentifier();
        if (!id) return nullptr;
        auto it = memo_.find(*id);
        return it == memo_.end() ? nullptr : &it->second;
    }
    void store(const ResourceValueURL& file, const std::optional<Value>& value) {
        if (const auto id = file.resourceValues.fileResourceIdentifier()) memo_.emplace(*id, value);
    }

private:
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::optional<Value>> memo_;
};

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

}  // namespace

AssembleOperation::AssembleOperation(std::vector<ResourceValueURL> files, std::int64_t groupSize,
                                     const std::atomic<bool>* scanStop)
    : data(std::move(files)), size(groupSize), scanStop_(scanStop) {}

bool AssembleOperation::stopped() const {
    return isCancelled() || (scanStop_ && scanStop_->load(std::memory_order_relaxed));
}

void AssembleOperation::main() {
    if (stopped()) return;
    const bool partial = size > kRecheckAbove;
    const auto bytes = static_cast<std::uint64_t>(std::max<std::int64_t>(size, 0));

    // (digest, index into data) for every file read to its end.
    std::vector<std::pair<Md5Digest, std::size_t>> digests;
    digests.reserve(data.size());
    auto announce = [this](const std::string& path) {
        if (assemblingBlock) assemblingBlock(path);
    };

    if (bytes == 0) {
        // Empty files are equal without reading anything.
        for (std::size_t i = 0; i < data.size(); ++i) {
            if (stopped()) break;
            if (!exists(data[i].url)) continue;
            announce(data[i].url);
            digests.emplace_back(Md5Digest{}, i);
        }
    } else {
        std::vector<std::size_t> toDigest;
        if (bytes <= ContentReader::kWholeReadLimit || data.size() < 2) {
            for (std::size_t i = 0; i < data.size(); ++i) toDigest.push_back(i);
        } else {
            // Sample first: most files of equal size but different content part here.
            std::vector<std::pair<std::uint64_t, std::size_t>> samples;
            samples.reserve(data.size());
            InodeMemo<std::uint64_t> memo;
            for (std::size_t i = 0; i < data.size(); ++i) {
                if (stopped()) break;
                std::optional<std::uint64_t> sample;
                if (const auto* known = memo.find(data[i])) {
                    sample = *known;
                } else {
                    announce(data[i].url);
                    sample = ContentReader::sample(data[i].url, bytes);
                    memo.store(data[i], sample);
                }
                if (sample) samples.emplace_back(*sample, i);
            }
            std::sort(samples.begin(), samples.end());
            for (std::size_t a = 0; a < samples.size();) {
                std::size_t b = a + 1;
                while (b < samples.size() && samples[b].first == samples[a].first) ++b;
                if (b - a >= 2)
                    for (std::size_t k = a; k < b; ++k) toDigest.push_back(samples[k].second);
                a = b;
            }
            std::sort(toDigest.begin(), toDigest.end());
        }
        const bool sampled = bytes > ContentReader::kWholeReadLimit && data.size() >= 2;
        InodeMemo<Md5Digest> memo;
        for (std::size_t i : toDigest) {
            if (stopped()) break;
            std::optional<Md5Digest> digest;
            if (const auto* known = memo.find(data[i])) {
                digest = *known;
            } else {
                if (!sampled) announce(data[i].url);
                digest = ContentReader::digest(data[i].url, bytes);
                memo.store(data[i], digest);
            }
            if (digest) digests.emplace_back(*digest, i);
        }
    }

    std::sort(digests.begin(), digests.end());
    for (std::size_t a = 0; a < digests.size();) {
        std::size_t b = a + 1;
        while (b < digests.size() && digests[b].first == digests[a].first) ++b;
        if (b - a >= 2) {
            std::vector<std::size_t> members;
            for (std::size_t k = a; k < b; ++k) {
                const std::size_t i = digests[k].second;
                if (partial) {
                    // Reading gigabytes takes long enough for files to go away meanwhile.
                    if (stopped()) break;
                    if (!exists(data[i].url)) continue;
                }
                members.push_back(i);
            }
            if (partial && stopped() && members.size() < 2) return;
            if (members.size() >= 2) {
                std::sort(members.begin(), members.end(), [this](std::size_t x, std::size_t y) {
                    return pathLess(data[x].url, data[y].url);
                });
                auto group = std::make_shared<DuplicateFiles>();
                group->_infos.reserve(members.size());
                for (std::size_t i : members)
                    group->append(std::make_shared<FileInfo>(data[i], bytes));
                if (assembleBlock) assembleBlock(std::move(group));
            }
        }
        a = b;
    }
}

}  // namespace orvane::duplicates
