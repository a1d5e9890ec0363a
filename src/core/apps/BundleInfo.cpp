#include "core/apps/BundleInfo.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "core/settings/PlistValue.h"
#include "kit/Paths.h"

namespace orvane::apps {

namespace {
// An information property list is a few kilobytes; anything far larger is not one.
constexpr std::streamsize kMaxInfoPlistBytes = 4 << 20;
}  // namespace

std::optional<BundleInfo> BundleInfo::read(const std::string& bundlePath) {
    std::ifstream in(kit::joinPath(bundlePath, "Contents/Info.plist"), std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(kMaxInfoPlistBytes) + 1);
    in.read(bytes.data(), kMaxInfoPlistBytes + 1);
    if (in.gcount() > kMaxInfoPlistBytes) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    auto dict = settings::parsePlist(bytes);
    if (!dict) return std::nullopt;
    BundleInfo info;
    info.identifier = dict->stringValue("CFBundleIdentifier").value_or("");
    info.name = dict->stringValue("CFBundleName").value_or("");
    info.displayName = dict->stringValue("CFBundleDisplayName").value_or("");
    info.shortVersion = dict->stringValue("CFBundleShortVersionString").value_or("");
    info.version = dict->stringValue("CFBundleVersion").value_or("");
    return info;
}

}  // namespace orvane::apps
