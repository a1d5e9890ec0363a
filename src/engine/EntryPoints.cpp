// The C entry points: argument checks, the one-scan-at-a-time rule and the stop flag. Nothing
// thrown inside the engine crosses into the caller.

#include <atomic>
#include <cmath>
#include <exception>
#include <mutex>
#include <opencv2/core/utils/logger.hpp>
#include <string>

#include "engine/EngineLog.h"
#include "engine/HashCache.h"
#include "engine/ImageScan.h"
#include "engine/SimilarImageEngine.h"

namespace {

std::mutex gStateMutex;
bool gRunning = false;
std::atomic<bool> gStop{false};

bool stringsValid(const char* const* list, std::uint32_t count) {
    if (count == 0) return true;
    if (!list) return false;
    for (std::uint32_t i = 0; i < count; ++i)
        if (!list[i]) return false;
    return true;
}

}  // namespace

extern "C" {

int InitImageDuplicate(const char* logFilePath, const char* reserved) {
    (void)reserved;
    // Damaged pictures are expected and passed over; the decoders' complaints stay off the
    // terminal and the engine log says which file was skipped and why.
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
    if (!logFilePath || !*logFilePath) return kImageEngineInitLogFailed;
    if (!orvane::engine::EngineLog::shared().open(logFilePath)) return kImageEngineInitLogFailed;
    orvane::engine::EngineLog::shared().write("similar image engine ready");
    return kImageEngineOk;
}

int FindDuplicates(const char* const* paths, int32_t pathCount, const ImageDuplicateConfig* config,
                   FoundDupCallback found, ProgressCallback progress) {
    auto& log = orvane::engine::EngineLog::shared();
    if (!paths || pathCount <= 0 || !config || !std::isfinite(config->threshold) ||
        config->threshold < 20 || config->threshold > 100 || config->maxFileSize < 0 ||
        config->minFileSize < 0 || !stringsValid(config->whiteList, config->whiteListCount) ||
        !stringsValid(config->extensions, config->extensionCount) ||
        !stringsValid(paths, static_cast<std::uint32_t>(pathCount))) {
        log.write("FindDuplicates: invalid arguments");
        return kImageEngineParamInvalid;
    }
    {
        std::lock_guard lock(gStateMutex);
        if (gRunning) {
            log.write("FindDuplicates: a scan is already running");
            return kImageEngineParamInvalid;
        }
        gRunning = true;
        gStop = false;
    }
    int result = kImageEngineCrashed;
    try {
        orvane::engine::ScanRequest request;
        for (std::uint32_t i = 0; i < config->whiteListCount; ++i)
            request.whiteList.emplace_back(config->whiteList[i]);
        for (std::int32_t i = 0; i < pathCount; ++i) {
            const std::string path = paths[i];
            // The caller appends the white-list folders to the roots; they are not roots.
            bool listed = false;
            for (const auto& w : request.whiteList) listed = listed || w == path;
            if (!listed) request.roots.push_back(path);
        }
        for (std::uint32_t i = 0; i < config->extensionCount; ++i)
            request.extensions.emplace_back(config->extensions[i]);
        request.threshold = config->threshold;
        request.maxFileSize = static_cast<std::uint64_t>(config->maxFileSize);
        request.minFileSize = static_cast<std::uint64_t>(config->minFileSize);
        request.hiddenFiles = config->hiddenFile != 0;
        request.cachePath = orvane::engine::defaultHashCachePath();
        log.write("FindDuplicates: " + std::to_string(request.roots.size()) + " roots, threshold " +
                  std::to_string(request.threshold));

        orvane::engine::ScanSinks sinks;
        sinks.found = [found](const std::string& json) {
            if (found) found(JsonData{json.data(), static_cast<int32_t>(json.size())});
        };
        sinks.progress = [progress](int type, const std::string& json) {
            if (progress) progress(type, JsonData{json.data(), static_cast<int32_t>(json.size())});
        };
        orvane::engine::ImageScan scan(std::move(request), std::move(sinks));
        result = scan.run(gStop);
    } catch (const std::exception& e) {
        log.write(std::string("FindDuplicates failed: ") + e.what());
        result = kImageEngineCrashed;
    } catch (...) {
        log.write("FindDuplicates failed");
        result = kImageEngineCrashed;
    }
    std::lock_guard lock(gStateMutex);
    gRunning = false;
    gStop = false;
    return result;
}

void StopFindDuplicates(int32_t reason) {
    std::lock_guard lock(gStateMutex);
    if (!gRunning) return;
    gStop = true;
    orvane::engine::EngineLog::shared().write("stop requested (" + std::to_string(reason) + ")");
}

const char* ImageEngineResultText(int code) {
    if (code < 0 || code >= IMAGE_ENGINE_RESULT_COUNT) return "Unknown";
    return kErrorCodeMsg[static_cast<std::size_t>(code)].data();
}

}  // extern "C"
