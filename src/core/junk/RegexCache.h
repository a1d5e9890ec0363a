#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace orvane::junk {

// Every regular expression of the rules, compiled once per process. Patterns use ICU syntax;
// subjects are path bytes, read as UTF-8 with invalid bytes standing for themselves as U+FFFD,
// so a name that is not text can still be tested and never throws.
class RegexCache {
public:
    static RegexCache& shared();

    // Whether `pattern` finds a match anywhere in `subject`; nothing when the pattern does not
    // compile (or a hostile pattern runs past its time budget on this subject).
    std::optional<bool> find(const std::string& pattern, std::string_view subject);
    bool compiles(const std::string& pattern);

    std::size_t size() const;
    static constexpr std::size_t kMaxEntries = 4096;

private:
    struct Compiled;
    std::shared_ptr<const Compiled> lookup(const std::string& pattern);

    mutable std::mutex lock_;  // guards the table only, never a match
    std::unordered_map<std::string, std::shared_ptr<const Compiled>> table_;
};

}  // namespace orvane::junk
