#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvane::largefiles {

// What one stat of a path tells the large-file scan. Whole seconds only: the age bands are
// days wide, so the nanoseconds would only make two equal files compare unequal.
struct FileTimeData {
    std::uint64_t size = 0;
    std::int64_t timeAtimespec = 0;
    std::int64_t timeMtimespec = 0;
    std::int64_t timeCtimespec = 0;
    // Birth time where the file system keeps one (0 otherwise): the "creation date" people
    // expect in a file list.
    std::int64_t timeBirthtimespec = 0;
    // Devices and pipes can report odd sizes; only regular files are candidates.
    bool isRegularFile = true;
};

class FileHelper {
public:
    // stat follows symbolic links on purpose: a link to a big file is listed with the size the
    // user would get back by removing the target. Nothing when stat fails.
    static std::optional<FileTimeData> fileTimeData(const std::string& path);
    // True only when lstat succeeds and the path itself is a symbolic link.
    static bool fileIsLink(const std::string& path);
};

}  // namespace orvane::largefiles
