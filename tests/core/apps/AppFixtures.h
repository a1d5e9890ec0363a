#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Layout.h"
#include "support/TempTree.h"

namespace orvane::apps::testing {

using orvane::testing::TempTree;

#ifdef ORVANE_APPS_TEST_DATA
// A sample of what a package tool prints, from data/.
inline std::string sample(const std::string& name) {
    return orvane::testing::readFile(std::string(ORVANE_APPS_TEST_DATA) + "/" + name);
}
#endif

// A freedesktop machine in a temporary folder: HOME and the XDG variables point inside it
// (restored afterwards), system places live under root/, and each helper lays an application
// out the way its installer does on a real system.
class LinuxMachine {
public:
    LinuxMachine();
    ~LinuxMachine();
    LinuxMachine(const LinuxMachine&) = delete;
    LinuxMachine& operator=(const LinuxMachine&) = delete;

    TempTree tree;
    std::string root;  // the system root ("/" of the machine)
    std::string home;

    platform::Layout layout() const;

    // A desktop entry text with the given main-group lines after the usual header.
    static std::string entry(const std::string& name, const std::string& exec,
                             const std::string& extra = "");

    // A Debian package owning a desktop entry in root/usr/share/applications, recorded in
    // root/var/lib/dpkg (status stanza and files list) as dpkg does.
    std::string debApp(const std::string& package, const std::string& desktopId,
                       const std::string& name, const std::string& version,
                       std::uint64_t installedKiB, const std::string& extraEntryLines = "");
    // A flatpak deployed in the user (user = true) or system installation: the deploy folder
    // with metadata, files, export and deploy data, the current/active links and the exported
    // entry link.
    std::string flatpakApp(const std::string& appId, const std::string& name,
                           const std::string& version, std::uint64_t installedSize, bool user);
    // A snap: root/snap/<name>/<rev> with meta/snap.yaml and the "current" link, the image in
    // var/lib/snapd/snaps and the exported entry.
    std::string snapApp(const std::string& name, const std::string& title,
                        const std::string& version, std::uint64_t imageSize);
    // An AppImage file (ELF head and the AppImage marker) below home.
    std::string appImage(const std::string& relToHome, bool executable = true,
                         std::uint64_t size = 4096);

private:
    std::string saved_[7];
    bool had_[7] = {};
    std::vector<std::string> dpkgStatus_;
};

// A macOS tree: bundles, Library folders, and the metadata tools, which cannot run here, as
// scripts that answer from fixture files (index/<bundle id>) and record how they were called.
// A bundle id with an index/<id>.wait file makes mdfind stop, after creating "started", until
// a "release" file appears.
class MacTree {
public:
    MacTree();
    TempTree tree;
    std::string home;

    platform::Layout layout() const;
    // A bundle with its Info.plist and an executable of `size` bytes.
    std::string bundle(const std::string& rel, const std::string& id, std::uint64_t size = 1000);
    // What the metadata index lists for an identifier.
    void index(const std::string& id, const std::vector<std::string>& copies);
};

// The bytes of flatpak's deploy data: (origin, commit, subpaths, installed size, metadata).
std::string flatpakDeployData(std::uint64_t installedSize, const std::string& appdataVersion);

}  // namespace orvane::apps::testing
