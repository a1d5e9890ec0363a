#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/ImageSignature.h"

namespace orvane::engine {

// How far apart (in bits of the 64-bit hash) two images may be and still be compared closely.
// A looser threshold casts a wider net, so that it can find what it promises.
int candidateRadius(double threshold);

// Finds the images whose signatures are at least `threshold` percent similar and joins them into
// groups (a picture similar to one member joins that member's group). Candidates come from a
// multi-index over the hashes (five pieces of 12-13 bits: two hashes within r bits agree within
// r/5 bits on at least one piece), so the work grows with the number of near pairs, not with the
// square of the number of images. Each group lists indexes into `signatures` in ascending
// order; groups come out ordered by their first member. `progress` receives 0..1.
std::vector<std::vector<std::size_t>> findSimilarGroups(
    const std::vector<const ImageSignature*>& signatures, double threshold,
    const std::atomic<bool>* stop = nullptr, const std::function<void(double)>& progress = nullptr,
    unsigned threads = 0);

}  // namespace orvane::engine
