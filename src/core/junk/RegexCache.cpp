#include "core/junk/RegexCache.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include "kit/Log.h"

namespace orvane::junk {

struct RegexCache::Compiled {
    std::unique_ptr<icu::RegexPattern> pattern;
};

namespace {

// Steps of ICU's matcher (roughly milliseconds) before a runaway pattern gives up. A rule
// document is data from outside the program; one bad pattern must not hang a scan.
constexpr int32_t kMatchTimeLimit = 200;

}  // namespace

RegexCache& RegexCache::shared() {
    static RegexCache cache;
    return cache;
}

std::shared_ptr<const RegexCache::Compiled> RegexCache::lookup(const std::string& text) {
    {
        std::lock_guard guard(lock_);
        if (auto it = table_.find(text); it != table_.end()) return it->second;
    }
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(text), 0, parseError, status));
    if (U_FAILURE(status) || !compiled) {
        ORVANE_LOG("regular expression does not compile: " + text);
        return nullptr;  // not cached: a pattern that fails is rare and cheap to refuse again
    }
    auto entry = std::make_shared<Compiled>();
    entry->pattern = std::move(compiled);
    std::lock_guard guard(lock_);
    // A rule document holds a few dozen patterns; a table this large means hostile input, and
    // the patterns beyond it are compiled for their one use instead of being kept for ever.
    if (table_.size() >= kMaxEntries) return entry;
    return table_.emplace(text, std::move(entry)).first->second;
}

std::optional<bool> RegexCache::find(const std::string& pattern, std::string_view subject) {
    const auto compiled = lookup(pattern);
    if (!compiled) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString input = icu::UnicodeString::fromUTF8(
        icu::StringPiece(subject.data(), static_cast<int32_t>(subject.size())));
    std::unique_ptr<icu::RegexMatcher> matcher(compiled->pattern->matcher(input, status));
    if (U_FAILURE(status) || !matcher) return std::nullopt;
    matcher->setTimeLimit(kMatchTimeLimit, status);
    const bool found = matcher->find(status);
    if (U_FAILURE(status)) return std::nullopt;
    return found;
}

bool RegexCache::compiles(const std::string& pattern) { return lookup(pattern) != nullptr; }

std::size_t RegexCache::size() const {
    std::lock_guard guard(lock_);
    return table_.size();
}

}  // namespace orvane::junk
