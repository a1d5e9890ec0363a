#include "core/settings/PreferenceObservers.h"

#include <mutex>
#include <utility>
#include <vector>

namespace orvane::settings {

namespace {
struct Registry {
    std::mutex mutex;
    PreferenceObservers::Token next = 1;
    std::vector<std::pair<PreferenceObservers::Token, PreferenceObservers::Callback>> entries;
};
Registry& registry() {
    static Registry r;
    return r;
}
}  // namespace

PreferenceObservers::Token PreferenceObservers::add(Callback callback) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const Token token = r.next++;
    r.entries.emplace_back(token, std::move(callback));
    return token;
}

void PreferenceObservers::remove(Token token) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::erase_if(r.entries, [token](const auto& e) { return e.first == token; });
}

void PreferenceObservers::notify(const std::shared_ptr<const PerferenceInfo>& snapshot) {
    std::vector<Callback> callbacks;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        for (const auto& e : r.entries) callbacks.push_back(e.second);
    }
    for (const Callback& cb : callbacks)
        if (cb) cb(snapshot);
}

}  // namespace orvane::settings
