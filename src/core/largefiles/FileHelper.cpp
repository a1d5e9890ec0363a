#include "core/largefiles/FileHelper.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace orvane::largefiles {

std::optional<FileTimeData> FileHelper::fileTimeData(const std::string& path) {
    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME,
                &sx) != 0)
        return std::nullopt;
    FileTimeData data;
    data.size = sx.stx_size;
    data.timeAtimespec = sx.stx_atime.tv_sec;
    data.timeMtimespec = sx.stx_mtime.tv_sec;
    data.timeCtimespec = sx.stx_ctime.tv_sec;
    if (sx.stx_mask & STATX_BTIME) data.timeBirthtimespec = sx.stx_btime.tv_sec;
    data.isRegularFile = S_ISREG(sx.stx_mode);
    return data;
}

bool FileHelper::fileIsLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace orvane::largefiles
