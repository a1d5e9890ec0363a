#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace orvane::settings {

class PerferenceInfo;

// Who wants a fresh settings snapshot after every save. Settings cannot know the scanners (they
// sit above it), so each scanner registers here; the duplicate scanner keeps the snapshot as its
// scanPreference unless it is scanning. Callbacks run on the thread that saved, outside any lock
// of ours, and may add or remove observers.
class PreferenceObservers {
public:
    using Callback = std::function<void(std::shared_ptr<const PerferenceInfo>)>;
    using Token = std::uint64_t;

    static Token add(Callback callback);
    static void remove(Token token);
    static void notify(const std::shared_ptr<const PerferenceInfo>& snapshot);
};

}  // namespace orvane::settings
