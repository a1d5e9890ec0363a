#include "core/support/CBSUtilitie.h"

#include <fmt/format.h>

namespace orvane::support {

bool CBSUtilitie::linkHasVersion(const AppInfo& info) {
    return info.text(infokey::linkHasVersion) == "1";
}

std::string CBSUtilitie::version(const AppInfo& info) {
    const bool store = info.text(infokey::webMark) == storeEditionMark;
    return info.text(store ? infokey::shortVersion : infokey::bundleVersion);
}

std::string CBSUtilitie::aCFBundleName(const AppInfo& info) {
    return info.text(infokey::bundleName);
}

std::optional<std::string> CBSUtilitie::url(std::string_view key, bool version) {
    return url(AppInfo::shared(), key, version);
}

std::optional<std::string> CBSUtilitie::url(const AppInfo& info, std::string_view key,
                                            bool version) {
    std::string address = info.text(key);
    if (!address.empty() && version && linkHasVersion(info))
        address = fmt::format("{}{}", address, fmt::format("&v={}", CBSUtilitie::version(info)));
    if (address.empty() || !isWebAddress(address)) return std::nullopt;
    return address;
}

bool CBSUtilitie::isWebAddress(std::string_view text) {
    std::string_view rest;
    if (text.starts_with("https://")) {
        rest = text.substr(8);
    } else if (text.starts_with("http://")) {
        rest = text.substr(7);
    } else {
        return false;
    }
    const std::size_t hostEnd = rest.find_first_of("/?#");
    const std::string_view host = rest.substr(0, hostEnd);
    if (host.empty() || host.front() == ':' || host.find('@') != std::string_view::npos)
        return false;
    for (unsigned char c : text)
        if (c <= 0x20 || c == 0x7f || c == '"' || c == '<' || c == '>' || c == '\\') return false;
    return true;
}

}  // namespace orvane::support
