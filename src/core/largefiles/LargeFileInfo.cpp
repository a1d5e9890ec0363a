#include "core/largefiles/LargeFileInfo.h"

#include "core/largefiles/FileTimeInfo.h"
#include "kit/DateFormat.h"
#include "kit/Paths.h"
#include "kit/SizeFormat.h"

namespace orvane::largefiles {

LargeFileInfo LargeFileInfo::from(const files::FileInfo& info) {
    return LargeFileInfo{kit::directoryName(info.path()), info.path(),
                         kit::transformedFileSize(info.size()),
                         kit::dateStr(static_cast<double>(timeInfo(info).creationTime()))};
}

}  // namespace orvane::largefiles
