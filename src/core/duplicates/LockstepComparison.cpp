#include "core/duplicates/LockstepComparison.h"

#include <xxhash.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "core/duplicates/ScratchRoom.h"

namespace orvane::duplicates {

std::size_t LockstepComparison::chunkFor(std::size_t members) const {
    constexpr std::size_t kPage = 4096;
    std::size_t chunk = limits_.bufferBytes / std::max<std::size_t>(members, 1);
    chunk = std::clamp(chunk, limits_.minChunk, limits_.maxChunk);
    chunk = std::max(kPage, chunk & ~(kPage - 1));
    return static_cast<std::size_t>(
        std::min<std::uint64_t>(chunk, std::max<std::uint64_t>(size_, 1)));
}

std::vector<std::vector<std::size_t>> LockstepComparison::partition(
    const std::vector<std::size_t>& positions, const std::uint8_t* room, std::size_t stride,
    std::size_t length) {
    auto at = [&](std::size_t k) { return room + k * stride; };
    std::vector<std::vector<std::size_t>> sets;
    if (positions.size() == 2) {
        if (std::memcmp(at(positions[0]), at(positions[1]), length) == 0) return {positions};
        return {{positions[0]}, {positions[1]}};
    }
    // Many members: a fingerprint sorts likely equals together, and memcmp against the first of
    // each run of equal fingerprints decides.
    std::vector<std::pair<std::uint64_t, std::size_t>> prints;
    prints.reserve(positions.size());
    for (std::size_t k : positions) prints.emplace_back(XXH3_64bits(at(k), length), k);
    std::sort(prints.begin(), prints.end());
    for (std::size_t a = 0; a < prints.size();) {
        std::size_t b = a + 1;
        while (b < prints.size() && prints[b].first == prints[a].first) ++b;
        const std::size_t firstSet = sets.size();
        for (std::size_t p = a; p < b; ++p) {
            const std::size_t k = prints[p].second;
            bool placed = false;
            for (std::size_t s = firstSet; s < sets.size() && !placed; ++s) {
                if (std::memcmp(at(sets[s].front()), at(k), length) == 0) {
                    sets[s].push_back(k);
                    placed = true;
                }
            }
            if (!placed) sets.push_back({k});
        }
        a = b;
    }
    return sets;
}

std::vector<std::vector<std::size_t>> LockstepComparison::split(std::size_t count,
                                                                const Reader& read,
                                                                const EndCheck& atEnd,
                                                                const Release& release,
                                                                const std::function<bool()>& stop) {
    std::vector<std::vector<std::size_t>> done;
    if (count == 0) return done;
    // Sets still to compare, each with the offset its members agree up to.
    std::vector<std::pair<std::vector<std::size_t>, std::uint64_t>> pending;
    {
        std::vector<std::size_t> all(count);
        for (std::size_t m = 0; m < count; ++m) all[m] = m;
        pending.emplace_back(std::move(all), 0);
    }
    while (!pending.empty()) {
        auto [members, offset] = std::move(pending.back());
        pending.pop_back();
        if (members.size() < 2) {
            // Alone: different from every other member, no more reading needed.
            for (std::size_t m : members) {
                release(m);
                done.push_back({m});
            }
            continue;
        }
        if (offset >= size_) {
            // Agreed to the last byte; a member that grew since the scan leaves the set.
            std::vector<std::size_t> kept;
            for (std::size_t m : members) {
                if (atEnd(m)) kept.push_back(m);
                release(m);
            }
            if (!kept.empty()) done.push_back(std::move(kept));
            continue;
        }
        const std::size_t chunk = chunkFor(members.size());
        std::uint8_t* const room =
            ScratchRoom::atLeast(members.size() * chunk, limits_.bufferBytes);
        for (;;) {
            if (stop && stop()) {
                for (std::size_t m : members) release(m);
                for (auto& [rest, at] : pending)
                    for (std::size_t m : rest) release(m);
                return {};
            }
            const auto length =
                static_cast<std::size_t>(std::min<std::uint64_t>(chunk, size_ - offset));
            std::vector<std::size_t> positions;
            positions.reserve(members.size());
            for (std::size_t k = 0; k < members.size(); ++k) {
                if (read(members[k], offset, room + k * chunk, length)) positions.push_back(k);
                else release(members[k]);
            }
            offset += length;
            if (positions.size() < 2) {
                for (std::size_t k : positions)
                    pending.emplace_back(std::vector<std::size_t>{members[k]}, offset);
                break;
            }
            auto sets = partition(positions, room, chunk, length);
            if (sets.size() == 1 && sets.front().size() == members.size()) {
                if (offset >= size_) {
                    pending.emplace_back(std::move(members), size_);
                    break;
                }
                continue;  // all still agree: next chunk, same buffers
            }
            for (auto& set : sets) {
                std::vector<std::size_t> ids;
                ids.reserve(set.size());
                for (std::size_t k : set) ids.push_back(members[k]);
                pending.emplace_back(std::move(ids), offset);
            }
            break;
        }
    }
    for (auto& set : done) std::sort(set.begin(), set.end());
    return done;
}

}  // namespace orvane::duplicates
