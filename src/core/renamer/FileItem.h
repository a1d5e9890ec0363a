#pragma once

#include <optional>
#include <string>

#include "core/renamer/FileIdentity.h"

namespace orvane::renamer {

enum class FileProcessState { idle, loading, success, failed };

// One file of the renamer's list.
struct FileItem {
    std::string filePath;
    FileProcessState state = FileProcessState::idle;
    std::optional<std::string> newName;
    // Why the last request failed, shown on the row.
    std::string error;
    // The file as it was when added; renaming refuses a file that no longer matches.
    std::optional<FileIdentity> identity;
    // Whether that failure came from reading the file rather than from the naming service.
    bool failedToExtract = false;
};

enum class FailedReason { duplicate, oversize, invalidType };

// A file refused when added, or one whose final rename failed.
struct FailedFileItem {
    std::string filePath;
    FailedReason reason = FailedReason::invalidType;
    // For a failed rename: what went wrong.
    std::string message;
};

}  // namespace orvane::renamer
