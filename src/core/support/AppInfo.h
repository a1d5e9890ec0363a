#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::support {

// The application's own information list: identity, versions, distribution channel, product
// identifier and the help and update addresses. Shipped as a property-list resource so that a
// rebranded or regional build changes a file, not the code.
class AppInfo {
public:
    using Values = std::map<std::string, std::string, std::less<>>;

    AppInfo() = default;
    explicit AppInfo(Values values) : values_(std::move(values)) {}

    // Parses an XML or binary property list whose root is a dictionary. Entries that are not
    // texts are left out; nothing (with `error` set) when the bytes are not such a list.
    static std::optional<AppInfo> fromPropertyList(std::string_view bytes,
                                                   std::string* error = nullptr);

    // The list the program runs with; empty until install() was called.
    static const AppInfo& shared();
    static void install(AppInfo info);

    // The text of a key, or nothing when it is absent or not a text.
    std::optional<std::string> string(std::string_view key) const;
    // The text of a key, or the empty text.
    std::string text(std::string_view key) const { return string(key).value_or(""); }

private:
    Values values_;
};

namespace infokey {
inline constexpr std::string_view bundleName = "CFBundleName";
inline constexpr std::string_view shortVersion = "CFBundleShortVersionString";
inline constexpr std::string_view bundleVersion = "CFBundleVersion";
inline constexpr std::string_view webMark = "WebMark";
inline constexpr std::string_view linkHasVersion = "LinkHasVersion";
inline constexpr std::string_view pid = "pid";
inline constexpr std::string_view orderCommonURL = "OrderCommonURL";
inline constexpr std::string_view productCommonURL = "ProductCommonURL";
inline constexpr std::string_view helpOnlineURL = "HelpOnlineURL";
inline constexpr std::string_view updateFeedURL = "UpdateFeedURL";
inline constexpr std::string_view regionalUpdateFeedURL = "RegionalUpdateFeedURL";
inline constexpr std::string_view feedbackMail = "FeedbackMail";
}  // namespace infokey

// Distribution channels told apart by "WebMark".
inline constexpr std::string_view storeEditionMark = "Brisco_APPStore";
inline constexpr std::string_view regionalChannelMark = "Morvask";

}  // namespace orvane::support
