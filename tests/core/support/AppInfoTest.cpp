#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/support/AppInfo.h"
#include "core/support/CBSUtilitie.h"

using namespace orvane::support;

namespace {
AppInfo info(AppInfo::Values values) { return AppInfo(std::move(values)); }
constexpr const char* kOrder = "https://orvane.com/support/order?lang=en";
}  // namespace

TEST(HelpAddress, UsedExactlyAsStoredWithoutLinkHasVersion) {
    const AppInfo plain = info({{"OrderCommonURL", kOrder}, {"CFBundleVersion", "42"}});
    EXPECT_EQ(CBSUtilitie::url(plain, "OrderCommonURL", true), kOrder);
    // Only the exact text "1" switches the version on.
    for (const char* flag : {"0", "true", "01", " 1", ""}) {
        const AppInfo other =
            info({{"OrderCommonURL", kOrder}, {"LinkHasVersion", flag}, {"CFBundleVersion", "42"}});
        EXPECT_EQ(CBSUtilitie::url(other, "OrderCommonURL", true), kOrder) << flag;
    }
}

TEST(HelpAddress, VersionAppendedByEdition) {
    AppInfo::Values values = {{"OrderCommonURL", kOrder},
                              {"LinkHasVersion", "1"},
                              {"CFBundleShortVersionString", "1.4.2"},
                              {"CFBundleVersion", "1402"}};
    EXPECT_EQ(CBSUtilitie::url(info(values), "OrderCommonURL", true),
              std::string(kOrder) + "&v=1402");
    EXPECT_EQ(CBSUtilitie::url(info(values), "OrderCommonURL", false), kOrder);
    values["WebMark"] = "Brisco_APPStore";
    EXPECT_EQ(CBSUtilitie::url(info(values), "OrderCommonURL", true),
              std::string(kOrder) + "&v=1.4.2");
    values["WebMark"] = "Morvask";
    EXPECT_EQ(CBSUtilitie::url(info(values), "OrderCommonURL", true),
              std::string(kOrder) + "&v=1402");
    // A missing version entry still adds the marker, with nothing after it.
    values.erase("CFBundleVersion");
    EXPECT_EQ(CBSUtilitie::url(info(values), "OrderCommonURL", true), std::string(kOrder) + "&v=");
}

TEST(HelpAddress, MissingEmptyOrUnusableAddressesGiveNone) {
    const AppInfo values = info({{"Empty", ""},
                                 {"Words", "not an address"},
                                 {"Script", "javascript:alert(1)"},
                                 {"File", "file:///etc/passwd"},
                                 {"Spaced", "https://orvane.com/a b"},
                                 {"NoHost", "https:///path"},
                                 {"LinkHasVersion", "1"}});
    for (const char* key : {"Absent", "Empty", "Words", "Script", "File", "Spaced", "NoHost"})
        EXPECT_FALSE(CBSUtilitie::url(values, key, true)) << key;
}

TEST(AppInfo, ReadsTextsFromAPropertyListAndRefusesOtherInput) {
    const std::string xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><dict>
  <key>CFBundleName</key><string>Orvane</string>
  <key>pid</key><integer>7</integer>
  <key>WebMark</key><string>Morvask</string>
</dict></plist>)";
    const auto parsed = AppInfo::fromPropertyList(xml);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(CBSUtilitie::aCFBundleName(*parsed), "Orvane");
    EXPECT_EQ(parsed->text("WebMark"), "Morvask");
    // A product identifier that is not a text counts as absent: the feedback window gets "".
    EXPECT_FALSE(parsed->string("pid"));
    EXPECT_EQ(parsed->text("pid"), "");

    // A raw NUL byte inside a text makes that text absent, never a crash.
    const std::string withNul = "<plist version=\"1.0\"><dict><key>pid</key><string>a" +
                                std::string(1, '\0') + "b</string></dict></plist>";
    const auto nul = AppInfo::fromPropertyList(withNul);
    ASSERT_TRUE(nul);
    EXPECT_FALSE(nul->string("pid"));

    std::string error;
    EXPECT_FALSE(AppInfo::fromPropertyList("", &error));
    EXPECT_FALSE(AppInfo::fromPropertyList("<plist><array/></plist>", &error));
    EXPECT_FALSE(AppInfo::fromPropertyList("\x00\x01garbage", &error));
    EXPECT_FALSE(error.empty());
}

TEST(AppInfo, TheShippedListHasEveryKeyAndUsableAddresses) {
    std::ifstream in(std::string(ORVANE_SOURCE_DIR) + "/src/app/resources/Info.plist.in");
    ASSERT_TRUE(in);
    std::stringstream text;
    text << in.rdbuf();
    const auto shipped = AppInfo::fromPropertyList(text.str());
    ASSERT_TRUE(shipped);
    for (const auto key :
         {infokey::bundleName, infokey::shortVersion, infokey::bundleVersion, infokey::webMark,
          infokey::linkHasVersion, infokey::pid, infokey::feedbackMail})
        EXPECT_FALSE(shipped->text(key).empty()) << key;
    for (const auto key :
         {infokey::orderCommonURL, infokey::productCommonURL, infokey::helpOnlineURL,
          infokey::updateFeedURL, infokey::regionalUpdateFeedURL})
        EXPECT_TRUE(CBSUtilitie::url(*shipped, key, true)) << key;
}
