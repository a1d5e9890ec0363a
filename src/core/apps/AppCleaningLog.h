#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/apps/AppFileBaseModel.h"
#include "core/apps/AppModel.h"

namespace orvane::apps {

// One attempted record of a removal run and how it went.
struct CleanedFile {
    AppFilePtr file;
    bool success = false;
    std::string reason;  // why it failed, for the Cleaning Log; empty on success
};

// What a removal run did to one application. Kept in memory for the result screen and its
// Cleaning Log sheet only.
struct AppCleaningLog {
    AppModelPtr app;
    int cleanedFileCount = 0;
    std::uint64_t cleanedSize = 0;
    bool isSuccess = true;
    int failedFileCount = 0;
    std::vector<CleanedFile> cleanedFiles;  // in the order attempted

    void recordSuccess(const AppFilePtr& file) {
        ++cleanedFileCount;
        cleanedSize += file->size;
        cleanedFiles.push_back({file, true, {}});
    }
    void recordFailure(const AppFilePtr& file, std::string reason) {
        ++failedFileCount;
        isSuccess = false;
        cleanedFiles.push_back({file, false, std::move(reason)});
    }
};

}  // namespace orvane::apps
