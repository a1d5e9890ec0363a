#include "engine/ImageScan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <thread>
#include <tuple>

#include "core/files/TreeWalker.h"
#include "engine/EngineLog.h"
#include "engine/HashCache.h"
#include "engine/ImageSignature.h"
#include "engine/SimilarGroups.h"
#include "kit/Paths.h"
#include "kit/WholeFile.h"
#include "platform/Layout.h"

namespace orvane::engine {

namespace {

using Clock = std::chrono::steady_clock;

// Larger files are not read into memory; no photograph comes near this.
constexpr std::uint64_t kMaxReadBytes = std::uint64_t{1} << 30;
constexpr double kWalkShare = 0.05, kDecodeShare = 0.90;
constexpr std::size_t kGroupsPerReport = 50;

struct Candidate {
    std::string path;
    FileKey key;
    std::optional<ImageSignature> signature;
};

std::string hex(std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

// JSON must be UTF-8. A name that is not keeps a readable "path" (bad bytes become U+FFFD)
// and the exact bytes in "path_hex", which is what a caller must act on.
void putPath(nlohmann::json& object, const std::string& path) {
    if (kit::isValidUtf8(path)) {
        object["path"] = path;
        return;
    }
    object["path"] = kit::displayPath(path);
    object["path_hex"] = hex(path);
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string trimmed(std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

// Reads a file the walk found, refusing anything that is no longer that file (replaced by a
// link, a device or another file since).
std::optional<std::string> readImageFile(const Candidate& c, std::string& error) {
    kit::WholeFile file = kit::readWholeFile(c.path, kMaxReadBytes);
    using Failure = kit::WholeFile::Failure;
    if (file.failure == Failure::notRegular || (file.inode != 0 && file.inode != c.key.inode)) {
        error = "changed since it was found";
        return std::nullopt;
    }
    if (file.failure == Failure::tooLarge) {
        error = "too large to be read as an image";
        return std::nullopt;
    }
    if (!file) {
        error = std::strerror(file.error);
        return std::nullopt;
    }
    return std::move(file.bytes);
}

}  // namespace

ImageScan::ImageScan(ScanRequest request, ScanSinks sinks)
    : request_(std::move(request)), sinks_(std::move(sinks)) {}

int ImageScan::run(const std::atomic<bool>& stop) {
    counts_ = {};
    auto& log = EngineLog::shared();
    std::mutex sinkMutex;
    auto lastProgress = Clock::now() - std::chrono::seconds(1);
    const auto progress = [&](int type, double ratio, std::size_t total, const std::string& path,
                              bool force) {
        std::lock_guard lock(sinkMutex);
        const auto now = Clock::now();
        if (!force && now - lastProgress < std::chrono::milliseconds(50)) return;
        lastProgress = now;
        nlohmann::json extra = nlohmann::json::object();
        putPath(extra, path);
        extra["current_deal_img_path"] = extra["path"];
        extra.erase("path");
        if (extra.contains("path_hex")) {
            extra["current_deal_img_path_hex"] = extra["path_hex"];
            extra.erase("path_hex");
        }
        const nlohmann::json body = {
            {"ratio", std::clamp(ratio, 0.0, 1.0)}, {"total", total}, {"extra_info", extra}};
        if (sinks_.progress) sinks_.progress(type, body.dump());
    };

    // Roots must exist and be folders; each is walked once even when listed twice.
    std::vector<std::string> roots;
    for (const auto& root : request_.roots) {
        struct stat st {};
        if (::stat(root.c_str(), &st) != 0) {
            log.write("root does not exist: " + root);
            return 2;
        }
        if (!S_ISDIR(st.st_mode)) {
            log.write("root is not a folder: " + root);
            return 3;
        }
        roots.push_back(trimmed(root));
    }
    std::vector<std::string> whiteList;
    for (const auto& w : request_.whiteList) whiteList.push_back(trimmed(w));
    std::vector<std::string> extensions;
    for (const auto& e : request_.extensions) extensions.push_back(lower(e));

    progress(0, 0, 0, "", true);

    // 1. Walk.
    files::TreeWalker walker;
    std::vector<std::vector<Candidate>> found(walker.threadCount());
    const auto excluded = [&](std::string_view path) {
        return std::any_of(whiteList.begin(), whiteList.end(),
                           [&](const std::string& w) { return platform::isPathInside(path, w); });
    };
    walker.walk(
        roots,
        [&](const files::WalkEntry& e) {
            if (e.hidden && !request_.hiddenFiles) return files::WalkAction::skipDescendants;
            if (e.type == files::EntryType::directory)
                return excluded(e.path) ? files::WalkAction::skipDescendants
                                        : files::WalkAction::proceed;
            if (e.type != files::EntryType::file || !e.statOk) return files::WalkAction::proceed;
            const auto dot = e.name.rfind('.');
            if (dot == std::string_view::npos || dot == 0) return files::WalkAction::proceed;
            const std::string ext = lower(e.name.substr(dot));
            if (std::find(extensions.begin(), extensions.end(), ext) == extensions.end())
                return files::WalkAction::proceed;
            if (request_.maxFileSize && e.size > request_.maxFileSize)
                return files::WalkAction::proceed;
            if (request_.minFileSize && e.size < request_.minFileSize)
                return files::WalkAction::proceed;
            if (excluded(e.path)) return files::WalkAction::proceed;
            Candidate c;
            c.path = std::string(e.path);
            c.key = {e.device, e.inode, e.size,
                     static_cast<std::int64_t>(e.modificationTime * 1e9 + 0.5)};
            found[e.thread].push_back(std::move(c));
            return files::WalkAction::proceed;
        },
        &stop);
    std::vector<Candidate> images;
    for (auto& list : found)
        for (auto& c : list) images.push_back(std::move(c));
    // Hard links to one picture are one picture, under its first name: the names of one file
    // need not sit next to each other in path order, so they are brought together first.
    const auto sameFile = [](const Candidate& a, const Candidate& b) {
        return a.key.device == b.key.device && a.key.inode == b.key.inode;
    };
    std::sort(images.begin(), images.end(), [](const Candidate& a, const Candidate& b) {
        return std::tie(a.key.device, a.key.inode, a.path) <
               std::tie(b.key.device, b.key.inode, b.path);
    });
    images.erase(std::unique(images.begin(), images.end(), sameFile), images.end());
    std::sort(images.begin(), images.end(),
              [](const Candidate& a, const Candidate& b) { return a.path < b.path; });
    counts_.images = images.size();
    log.write("images found: " + std::to_string(images.size()));
    progress(0, kWalkShare, 0, "", true);

    // 2. Signatures.
    std::optional<HashCache> cache;
    if (!request_.cachePath.empty()) {
        cache.emplace(request_.cachePath);
        std::string why;
        if (!cache->load(&why) && why != std::strerror(ENOENT))
            log.write("signature cache not used (" + why + "): " + request_.cachePath);
    }
    std::vector<std::size_t> toDecode;
    for (std::size_t i = 0; i < images.size(); ++i) {
        if (cache) {
            if (auto hit = cache->find(images[i].key)) {
                images[i].signature = *hit;
                ++counts_.fromCache;
                if (!*hit) ++counts_.failed;
                continue;
            }
        }
        toDecode.push_back(i);
    }
    std::atomic<std::size_t> next{0}, finished{counts_.fromCache}, decoded{0}, failed{0};
    const auto decodeWorker = [&] {
        for (;;) {
            if (stop.load(std::memory_order_relaxed)) return;
            const std::size_t k = next.fetch_add(1);
            if (k >= toDecode.size()) return;
            Candidate& c = images[toDecode[k]];
            std::string error;
            bool cacheable = false;
            if (auto bytes = readImageFile(c, error)) {
                auto result = computeSignature(*bytes);
                c.signature = std::move(result.signature);
                error = result.error;
                cacheable = true;
            }
            if (c.signature) {
                decoded.fetch_add(1);
            } else {
                failed.fetch_add(1);
                log.write("passed over " + c.path + ": " + error);
            }
            // Failures to open depend on rights, not content; only decode outcomes are kept.
            if (cache && cacheable) cache->store(c.key, c.signature);
            const std::size_t done = finished.fetch_add(1) + 1;
            progress(0,
                     kWalkShare + kDecodeShare * double(done) /
                                      double(std::max<std::size_t>(images.size(), 1)),
                     done, c.path, false);
        }
    };
    unsigned threads =
        request_.threads ? request_.threads : std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::clamp<std::size_t>(toDecode.size(), 1, threads));
    std::vector<std::thread> pool;
    try {
        for (unsigned t = 1; t < threads; ++t) pool.emplace_back(decodeWorker);
    } catch (const std::system_error& e) {
        log.write(std::string("cannot start decoder threads: ") + e.what());
        for (auto& th : pool) th.join();
        return 7;
    }
    decodeWorker();
    for (auto& th : pool) th.join();
    counts_.decoded = decoded;
    counts_.failed += failed;
    if (cache) {
        std::string why;
        if (!cache->save(&why)) log.write("signature cache not saved (" + why + ")");
    }
    const bool stopped = stop.load();

    // 3. Compare what has a signature.
    std::vector<std::size_t> usable;
    std::vector<const ImageSignature*> signatures;
    for (std::size_t i = 0; i < images.size(); ++i) {
        if (images[i].signature) {
            usable.push_back(i);
            signatures.push_back(&*images[i].signature);
        }
    }
    const std::size_t examined = finished.load();
    static const std::atomic<bool> never{false};
    const auto groups = findSimilarGroups(
        signatures, request_.threshold, stopped ? &never : &stop,
        [&](double f) {
            progress(0, kWalkShare + kDecodeShare + (1 - kWalkShare - kDecodeShare) * f, examined,
                     "", false);
        },
        request_.threads);
    counts_.groups = groups.size();
    // A stop that arrives while comparing cuts the comparison short: the groups are partial, and
    // the caller must hear that the scan was stopped, not that it finished.
    const bool endedByStop = stopped || stop.load();

    // 4. Report. The reference of a group is its largest picture (then largest file).
    nlohmann::json batch = nlohmann::json::array();
    const auto flush = [&] {
        if (batch.empty()) return;
        std::lock_guard lock(sinkMutex);
        if (sinks_.found) sinks_.found(batch.dump());
        batch = nlohmann::json::array();
    };
    for (const auto& members : groups) {
        std::vector<const Candidate*> list;
        for (const std::size_t m : members) list.push_back(&images[usable[m]]);
        const Candidate* reference =
            *std::min_element(list.begin(), list.end(), [](auto* a, auto* b) {
                const auto pa = std::uint64_t{a->signature->width} * a->signature->height;
                const auto pb = std::uint64_t{b->signature->width} * b->signature->height;
                if (pa != pb) return pa > pb;
                if (a->key.size != b->key.size) return a->key.size > b->key.size;
                return a->path < b->path;
            });
        nlohmann::json group = nlohmann::json::object();
        putPath(group, reference->path);
        nlohmann::json infos = nlohmann::json::array();
        for (const Candidate* c : list) {
            nlohmann::json info = nlohmann::json::object();
            putPath(info, c->path);
            info["size"] = c->key.size;
            info["width"] = c->signature->width;
            info["height"] = c->signature->height;
            info["similarity"] =
                std::round(similarity(*reference->signature, *c->signature) * 10) / 10;
            infos.push_back(std::move(info));
        }
        group["similar_img_infos"] = std::move(infos);
        batch.push_back(std::move(group));
        if (batch.size() >= kGroupsPerReport) flush();
    }
    flush();

    log.write("scan " + std::string(endedByStop ? "stopped" : "finished") + ": " +
              std::to_string(counts_.images) + " images, " + std::to_string(counts_.fromCache) +
              " from cache, " + std::to_string(counts_.decoded) + " decoded, " +
              std::to_string(counts_.failed) + " unreadable, " + std::to_string(counts_.groups) +
              " groups");
    progress(endedByStop ? 2 : 1,
             endedByStop ? double(examined) / double(std::max<std::size_t>(images.size(), 1)) : 1.0,
             examined, "", true);
    return endedByStop ? 9 : 0;
}

}  // namespace orvane::engine
