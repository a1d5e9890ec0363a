#include "core/files/ResourceValueURL.h"

#include <deque>
#include <mutex>
#include <unordered_map>

#include "kit/Paths.h"

namespace orvane::files {

namespace {

struct VolumeEntry {
    std::string mountPoint;
    bool isLocal = true;
};

struct Registry {
    std::mutex mutex;
    std::deque<VolumeEntry> entries;  // a deque never moves what it holds
    std::unordered_map<std::string, std::uint32_t> byKey;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

std::size_t mix(std::size_t seed, std::size_t value) {
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

}  // namespace

std::optional<std::string> ResourceValues::volumeURL() const {
    if (!(known_ & volumeKey)) return std::nullopt;
    return VolumeRegistry::mountPoint(volume_);
}

std::optional<bool> ResourceValues::volumeIsLocal() const {
    if (!(known_ & volumeKey)) return std::nullopt;
    return VolumeRegistry::isLocal(volume_);
}

std::size_t ResourceValues::hash() const {
    std::size_t h = std::hash<std::uint64_t>{}(totalFileSize_);
    h = mix(h, std::hash<std::uint64_t>{}(device_));
    h = mix(h, std::hash<std::uint64_t>{}(inode_));
    h = mix(h, volume_);
    h = mix(h, known_);
    return mix(h, values_);
}

std::string_view ResourceValueURL::name() const {
    const std::string_view path = kit::withoutTrailingSlashes(url);
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::size_t ResourceValueURLHash::operator()(const ResourceValueURL& item) const {
    return mix(std::hash<std::string>{}(item.url), item.resourceValues.hash());
}

std::uint32_t VolumeRegistry::intern(const std::string& mountPoint, bool isLocal) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    std::string key = mountPoint;
    key.push_back(isLocal ? '\1' : '\0');
    if (auto it = r.byKey.find(key); it != r.byKey.end()) return it->second;
    const auto index = static_cast<std::uint32_t>(r.entries.size());
    r.entries.push_back({mountPoint, isLocal});
    r.byKey.emplace(std::move(key), index);
    return index;
}

std::optional<std::string> VolumeRegistry::mountPoint(std::uint32_t index) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    if (index >= r.entries.size()) return std::nullopt;
    return r.entries[index].mountPoint;
}

std::optional<bool> VolumeRegistry::isLocal(std::uint32_t index) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    if (index >= r.entries.size()) return std::nullopt;
    return r.entries[index].isLocal;
}

}  // namespace orvane::files
