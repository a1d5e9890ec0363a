#include "kit/LocalizedCompare.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <memory>

namespace orvane::kit {

namespace {

std::unique_ptr<icu::Collator> makeCollator() {
    UErrorCode status = U_ZERO_ERROR;
    // Without a language setting ICU falls back to the POSIX locale, which orders by code point
    // and case; a file browser there still orders like the root collation.
    icu::Locale locale = icu::Locale::getDefault();
    if (std::string_view(locale.getName()).starts_with("en_US_POSIX"))
        locale = icu::Locale::getRoot();
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status) || !collator) {
        status = U_ZERO_ERROR;
        collator.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) return nullptr;
    }
    collator->setStrength(icu::Collator::SECONDARY);
    collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
    return collator;
}

}  // namespace

std::string localizedStandardSortKey(std::string_view name) {
    // A collator per thread: creating one is costly next to a key, and they are not shareable.
    thread_local const std::unique_ptr<icu::Collator> collator = makeCollator();
    if (!collator) return std::string(name);
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(
        icu::StringPiece(name.data(), static_cast<int32_t>(name.size())));
    std::string key(64, '\0');
    int32_t n = collator->getSortKey(text, reinterpret_cast<uint8_t*>(key.data()),
                                     static_cast<int32_t>(key.size()));
    if (n > static_cast<int32_t>(key.size())) {
        key.resize(static_cast<std::size_t>(n));
        n = collator->getSortKey(text, reinterpret_cast<uint8_t*>(key.data()), n);
    }
    key.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return key;
}

bool localizedStandardLess(std::string_view a, std::string_view b) {
    return localizedStandardSortKey(a) < localizedStandardSortKey(b);
}

}  // namespace orvane::kit
