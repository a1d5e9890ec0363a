#pragma once

#include <cstdint>

#include "core/files/FileInfo.h"
#include "core/largefiles/FileHelper.h"

namespace orvane::largefiles {

// One large file in the result groups: the shared file record plus the times one stat gave,
// so the lists can show and sort dates without going back to the disk.
class FileTimeInfo : public files::FileInfo {
public:
    FileTimeInfo(files::ResourceValueURL value, const FileTimeData& data)
        : FileInfo(std::move(value), data.size),
          stSize(data.size),
          timeAtimespec(data.timeAtimespec),
          timeMtimespec(data.timeMtimespec),
          timeCtimespec(data.timeCtimespec),
          timeBirthtimespec(data.timeBirthtimespec) {}

    const std::uint64_t stSize;
    const std::int64_t timeAtimespec;
    const std::int64_t timeMtimespec;
    const std::int64_t timeCtimespec;
    const std::int64_t timeBirthtimespec;  // 0 when the file system keeps none

    // What a file list shows as "created": the birth time, else the last modification.
    std::int64_t creationTime() const {
        return timeBirthtimespec != 0 ? timeBirthtimespec : timeMtimespec;
    }
};

// The large-file groups hold nothing but FileTimeInfo records (addInArry makes every one), so
// the lists can read the times from the shared base pointer.
inline const FileTimeInfo& timeInfo(const files::FileInfo& info) {
    return static_cast<const FileTimeInfo&>(info);
}

}  // namespace orvane::largefiles
