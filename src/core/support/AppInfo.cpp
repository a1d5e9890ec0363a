#include "core/support/AppInfo.h"

#include <plist/plist.h>

#include <cstring>
#include <memory>
#include <mutex>

namespace orvane::support {

namespace {
std::mutex gMutex;
AppInfo& sharedInfo() {
    static AppInfo info;
    return info;
}
}  // namespace

std::optional<AppInfo> AppInfo::fromPropertyList(std::string_view bytes, std::string* error) {
    auto fail = [&](const char* why) -> std::optional<AppInfo> {
        if (error) *error = why;
        return std::nullopt;
    };
    if (bytes.empty()) return fail("empty information list");
    if (bytes.size() > (1u << 20)) return fail("information list larger than 1 MB");
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    std::unique_ptr<void, void (*)(plist_t)> owner(root, &plist_free);
    if (!root || plist_get_node_type(root) != PLIST_DICT)
        return fail("not a property-list dictionary");

    Values values;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(root, &it);
    for (;;) {
        char* key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(root, it, &key, &item);
        if (!item) {
            free(key);
            break;
        }
        if (key && plist_get_node_type(item) == PLIST_STRING) {
            // libplist cannot hand a text with a NUL byte back intact (asking for a copy even
            // aborts); such a text is no address or identifier of ours, so it is left out.
            uint64_t length = 0;
            const char* value = plist_get_string_ptr(item, &length);
            if (value && std::memchr(value, '\0', static_cast<std::size_t>(length)) == nullptr)
                values[key] = std::string(value, static_cast<std::size_t>(length));
        }
        free(key);
    }
    free(it);
    return AppInfo(std::move(values));
}

const AppInfo& AppInfo::shared() {
    std::lock_guard lock(gMutex);
    return sharedInfo();
}

void AppInfo::install(AppInfo info) {
    std::lock_guard lock(gMutex);
    sharedInfo() = std::move(info);
}

std::optional<std::string> AppInfo::string(std::string_view key) const {
    const auto it = values_.find(key);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

}  // namespace orvane::support
