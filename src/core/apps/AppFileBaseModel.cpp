#include "core/apps/AppFileBaseModel.h"

#include <sys/stat.h>

#include "kit/Paths.h"
#include "kit/SizeFormat.h"
#include "platform/Layout.h"

namespace orvane::apps {

void AppFileBaseModel::setType(AppFileType type, const platform::Layout& layout) {
    type_ = type;
    isAppStoreApp_ = false;
    if (type != AppFileType::appFile) return;
    if (!layout.storeAppsFolder.empty() && url.find(layout.storeAppsFolder) == std::string::npos)
        return;
    struct stat st {};
    for (const std::string& receipt : layout.storeReceipts) {
        if (::stat(kit::joinPath(url, receipt).c_str(), &st) == 0) {
            isAppStoreApp_ = true;
            return;
        }
    }
}

const std::string& AppFileBaseModel::sizeStr() const {
    if (!sizeStr_) sizeStr_ = kit::transformedSizeToString(size);
    return *sizeStr_;
}

}  // namespace orvane::apps
