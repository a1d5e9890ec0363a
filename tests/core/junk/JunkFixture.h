#pragma once

#include <memory>
#include <string>

#include "core/junk/RuleEnvironment.h"
#include "platform/Layout.h"
#include "support/TempTree.h"

namespace orvane::junk::testing {

// A private freedesktop home (HOME and XDG variables point into the tree) with a fixed clock
// and English as the only language, so every rule runs against files the test made.
struct LinuxHome {
    orvane::testing::TempTree tree;
    orvane::testing::ScopedHome home{tree};
    std::shared_ptr<RuleEnvironment> env;

    LinuxHome() {
        env = std::make_shared<RuleEnvironment>(platform::Layout::linuxLayout(tree.path("root")));
        env->preferredLanguages = {"en-GB"};
        env->localeLanguage = "en";
        env->now = [] { return 1796515200.0; };
    }
    // Relative to the home folder.
    std::string file(const std::string& rel, std::string_view content = "x") {
        return tree.file("home/" + rel, content);
    }
    std::string dir(const std::string& rel) { return tree.dir("home/" + rel); }
    std::string path(const std::string& rel) const { return tree.path("home/" + rel); }
};

// A macOS tree under a temporary root: /Applications, the user's Library, launch agents.
struct MacTree {
    orvane::testing::TempTree tree;
    std::shared_ptr<RuleEnvironment> env;

    MacTree() {
        env = std::make_shared<RuleEnvironment>(
            platform::Layout::macLayout(tree.path("mac"), tree.path("mac/Users/me")));
        env->preferredLanguages = {"de-CH", "pt_BR"};
        env->localeLanguage = "de";
        env->now = [] { return 1796515200.0; };
    }
    std::string root(const std::string& rel) { return tree.path("mac/" + rel); }
    std::string home(const std::string& rel) { return tree.path("mac/Users/me/" + rel); }
    std::string file(const std::string& rel, std::string_view content = "x") {
        return tree.file("mac/" + rel, content);
    }
    std::string dir(const std::string& rel) { return tree.dir("mac/" + rel); }

    // An application bundle with an information dictionary.
    std::string app(const std::string& rel, const std::string& bundleId,
                    const std::string& version = "1.0", const std::string& build = "100",
                    const std::string& displayName = "") {
        std::string plist =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
            "<key>CFBundleIdentifier</key><string>" +
            bundleId +
            "</string>"
            "<key>CFBundleShortVersionString</key><string>" +
            version +
            "</string>"
            "<key>CFBundleVersion</key><string>" +
            build + "</string>";
        if (!displayName.empty())
            plist += "<key>CFBundleDisplayName</key><string>" + displayName + "</string>";
        plist += "</dict></plist>\n";
        file(rel + "/Contents/Info.plist", plist);
        file(rel + "/Contents/MacOS/binary", "bin");
        return root(rel);
    }
};

}  // namespace orvane::junk::testing
