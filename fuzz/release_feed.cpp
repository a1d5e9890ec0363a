// The release feed comes from the network, whoever answers; the information list is a file a
// packager may have edited.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/support/AppInfo.h"
#include "core/support/CBSUtilitie.h"
#include "core/support/ReleaseFeed.h"
#include "core/support/VersionNumber.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orvane::support;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    if (auto feed = ReleaseFeed::parse(text, error)) (void)(feed->version > *VersionNumber::parse("1.0"));
    if (auto version = VersionNumber::parse(text)) (void)VersionNumber::parse(version->text());
    (void)CBSUtilitie::isWebAddress(text);
    if (auto info = AppInfo::fromPropertyList(text, &error)) {
        (void)CBSUtilitie::url(*info, "OrderCommonURL", true);
        (void)CBSUtilitie::version(*info);
    }
    return 0;
}
