#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvane::engine {

// What one scan looks at and how close two pictures must be.
struct ScanRequest {
    std::vector<std::string> roots;
    std::vector<std::string> whiteList;   // folders never looked into
    std::vector<std::string> extensions;  // ".jpg", ... any case
    double threshold = 85;                // percent, 20..100
    std::uint64_t maxFileSize = 0;        // 0: no bound
    std::uint64_t minFileSize = 0;
    bool hiddenFiles = false;
    std::string cachePath;  // empty: no signature cache
    unsigned threads = 0;   // decoders; 0: one per core
};

struct ScanSinks {
    // A JSON array of groups: [{"path": reference, "similar_img_infos": [{"path": ...}, ...]}].
    std::function<void(const std::string& json)> found;
    // type 0 running, 1 finished, 2 stopped; JSON {"ratio", "total", "extra_info"}.
    std::function<void(int type, const std::string& json)> progress;
};

// One scan from roots to reported groups:
//   1. walk the roots in parallel, keeping regular files with an image extension inside the
//      size bounds, outside the white list (hidden ones only when asked);
//   2. take each file's signature from the cache, or decode it (several at once, JPEG at a
//      reduced scale) and remember it;
//   3. find the similar pairs through the hash index, verify each on its thumbnails, and join
//      them into groups;
//   4. report the groups in batches, then the end.
// Callbacks never run concurrently with each other. A stop ends step 2 early; the images
// decoded so far are still compared and reported, and remembered for the next scan.
class ImageScan {
public:
    ImageScan(ScanRequest request, ScanSinks sinks);

    // Returns an engine result code: 0 done, 9 stopped, 2 or 3 for a bad root.
    int run(const std::atomic<bool>& stop);

    // Counts from the last run, for the log and for tests.
    struct Counts {
        std::size_t images = 0;
        std::size_t decoded = 0;
        std::size_t fromCache = 0;
        std::size_t failed = 0;
        std::size_t groups = 0;
    };
    const Counts& counts() const { return counts_; }

private:
    ScanRequest request_;
    ScanSinks sinks_;
    Counts counts_;
};

}  // namespace orvane::engine
