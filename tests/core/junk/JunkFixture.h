#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "core/files/PrivilegedHelper.h"
#include "core/junk/AuthoredHelper.h"
#include "core/junk/CleanManager.h"
#include "core/junk/RuleEnvironment.h"
#include "kit/Resources.h"
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

inline JunkSetup setupFor(const std::shared_ptr<RuleEnvironment>& env,
                          std::optional<std::string> rules, const std::string& mountInfo) {
    JunkSetup setup;
    setup.environment = [env] { return env; };
    setup.ruleDocument = [rules](const platform::Layout&) { return rules; };
    setup.mountInfoPath = mountInfo;
    return setup;
}

// A home with what people accumulate, and beside it things that only look like junk or sit next
// to the rules' folders; none of those may ever be listed or removed.
class LinuxJunk : public ::testing::Test {
protected:
    LinuxHome home;
    std::string base = home.tree.path("home") + "/";
    std::string rootBase = home.tree.path("root") + "/";
    std::string mountInfo = home.tree.file("mountinfo", "");
    std::string proc = home.tree.dir("proc");
    files::PrivilegedHelper privileged;
    AuthoredHelper authored{privileged};

    // Home-relative, then root-relative (prefixed "/").
    static constexpr const char* kLookAlikes[] = {".mozilla/firefox/x1y2.default/cookies.sqlite",
                                                  ".config/chromium/Default/Preferences",
                                                  ".local/share/keyrings/default.keyring",
                                                  ".cache/keepassxc/keepassxc.ini",
                                                  ".thunderbird/abc.default/Mail/Inbox",
                                                  "Documents/thesis.pdf",
                                                  "Downloads/holiday-photos.tar.gz",
                                                  ".cache/sentinel",
                                                  ".local/share/Trash/sentinel",
                                                  "Downloads/notes.txt",
                                                  "/var/log/syslog",
                                                  "/var/log/dpkg.log",
                                                  "/var/log/apt/history.log",
                                                  "/var/log/old.1/inside",
                                                  "/var/cache/apt/pkgcache.bin",
                                                  "/var/cache/apt/archives/lock",
                                                  "/var/cache/apt/archives/partial/x.deb"};

    void SetUp() override {
        // Junk.
        home.file(".cache/thumbnails/normal/a.png", std::string(3000, 'p'));
        home.file(".cache/thumbnails/large/b.png", "png");
        home.file(".cache/pip/http-v2/a/b/c", "pip");
        home.file(".npm/_cacache/content-v2/sha512/ab/x", "npm");
        home.file(".cache/go-build/ab/x-d", "go");
        home.file(".cache/ccache/a/b/cR", "cc");
        home.file(".cache/chromium/Default/Cache/Cache_Data/f_0", "chrome");
        home.file(".cache/chromium/Default/Code Cache/js/g", "js");
        home.file(".cache/mozilla/firefox/x1y2.default/cache2/entries/ABC", "ff");
        home.file(".var/app/org.mozilla.firefox/cache/mozilla/f", "flatpak ff");
        home.file(".xsession-errors", "errors");
        home.file("Downloads/app_2.0_amd64.deb", "deb");
        home.file("Downloads/tool.AppImage", "appimage");
        home.file("Downloads/archive.zip", "zip");
        home.file(".local/share/Trash/files/draft.odt", "draft");
        home.file(".local/share/Trash/info/draft.odt.trashinfo", "[Trash Info]\nPath=/x\n");
        home.tree.file("root/var/log/syslog.1", "old");
        home.tree.file("root/var/log/apt/history.log.2.gz", "gz");
        home.tree.file("root/var/cache/apt/archives/vim_9.0_amd64.deb", "deb");
        home.tree.file("root/var/crash/_usr_bin_x.1000.crash", "crash");
        for (const std::string rel : kLookAlikes)
            if (rel.starts_with("/")) home.tree.file("root" + rel, "live");
            else home.file(rel, "keep");
    }

    // Every look-alike still there, unchanged.
    void expectLookAlikesKept() {
        for (const std::string rel : kLookAlikes)
            EXPECT_EQ(home.tree.read(rel.starts_with("/") ? "root" + rel : "home/" + rel),
                      rel.starts_with("/") ? "live" : "keep")
                << rel;
    }

    JunkSetup setup(
        std::optional<std::string> rules = kit::resourceFile("junk/linux/garbageConfig.xml")) {
        JunkSetup s = setupFor(home.env, std::move(rules), mountInfo);
        s.procRoot = proc;
        s.authoredHelper = &authored;
        return s;
    }
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
