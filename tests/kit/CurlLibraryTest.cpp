// libcurl is opened on first use; a system without it must get a sentence telling what to
// install, never a crash when a network feature is used. That the real library loads and
// carries requests is what the update check's, store lookup's and namers' tests exercise.
#include <gtest/gtest.h>

#include <string>

#include "kit/CurlLibrary.h"

using orvane::kit::CurlLibrary;

TEST(CurlLibrary, AMissingLibraryIsReportedWithWhatToInstall) {
    const CurlLibrary missing("libcurl-orvane-absent.so.4");
    EXPECT_FALSE(missing.loaded());
    const std::string& error = missing.error();
    EXPECT_TRUE(error.starts_with("Orvane could not load libcurl (libcurl-orvane-absent.so.4): "))
        << error;
    EXPECT_NE(error.find("cannot open shared object file"), std::string::npos) << error;
    EXPECT_TRUE(error.ends_with(". Install the libcurl4 package.")) << error;
    EXPECT_EQ(missing.easyInit, nullptr);
    EXPECT_EQ(missing.easySetopt, nullptr);
    EXPECT_EQ(missing.easyPerform, nullptr);
}

TEST(CurlLibrary, ALibraryWithoutCurlsFunctionsIsRefused) {
    // Loads fine, but is not libcurl: the first function looked up is missing.
    const CurlLibrary impostor("libm.so.6");
    EXPECT_FALSE(impostor.loaded());
    EXPECT_NE(impostor.error().find("undefined symbol: curl_global_init"), std::string::npos)
        << impostor.error();
    EXPECT_EQ(impostor.easyInit, nullptr);
}
