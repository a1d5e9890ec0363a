#include "core/junk/AppBundle.h"

#include "core/settings/PlistFile.h"
#include "kit/Paths.h"
#include "platform/Layout.h"

namespace orvane::junk {

std::optional<AppBundle> AppBundle::open(const platform::Layout& layout, const std::string& path) {
    if (layout.kind != platform::Layout::Kind::macOS || path.empty()) return std::nullopt;
    const auto read = settings::readPlistFile(path + "/Contents/Info.plist");
    if (read.status != settings::PlistReadResult::Status::ok) return std::nullopt;
    AppBundle bundle;
    bundle.path = path;
    bundle.bundleIdentifier = read.dict.stringValue("CFBundleIdentifier");
    bundle.displayName = read.dict.stringValue("CFBundleDisplayName");
    bundle.name = read.dict.stringValue("CFBundleName");
    bundle.shortVersion = read.dict.stringValue("CFBundleShortVersionString");
    bundle.version = read.dict.stringValue("CFBundleVersion");
    return bundle;
}

std::string AppBundle::appName() const {
    if (displayName && !displayName->empty()) return *displayName;
    if (name && !name->empty()) return *name;
    std::string file = kit::directoryName(path);
    if (file.size() > 4 && file.compare(file.size() - 4, 4, ".app") == 0)
        file.resize(file.size() - 4);
    return file;
}

}  // namespace orvane::junk
