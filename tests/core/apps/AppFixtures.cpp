#include "AppFixtures.h"

#include <glib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

namespace orvane::apps::testing {

namespace {
const char* const kVars[7] = {"HOME",           "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                              "XDG_CACHE_HOME", "XDG_STATE_HOME",  "XDG_DATA_DIRS",
                              "XDG_CONFIG_DIRS"};
}

LinuxMachine::LinuxMachine() {
    for (int i = 0; i < 7; ++i)
        if (const char* v = std::getenv(kVars[i])) {
            had_[i] = true;
            saved_[i] = v;
        }
    root = tree.dir("root");
    home = tree.dir("root/home/ann");
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (home + "/.local/state").c_str(), 1);
    ::setenv("XDG_DATA_DIRS", (root + "/usr/local/share:" + root + "/usr/share").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (root + "/etc/xdg").c_str(), 1);
    tree.dir("root/var/lib/dpkg/info");
    tree.file("root/var/lib/dpkg/status", "");
}

LinuxMachine::~LinuxMachine() {
    for (int i = 0; i < 7; ++i) {
        if (had_[i]) ::setenv(kVars[i], saved_[i].c_str(), 1);
        else ::unsetenv(kVars[i]);
    }
}

platform::Layout LinuxMachine::layout() const { return platform::Layout::linuxLayout(root); }

std::string LinuxMachine::entry(const std::string& name, const std::string& exec,
                                const std::string& extra) {
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nName[de]=" + name +
           " (de)\nExec=" + exec + "\nIcon=" + name + "\nTerminal=false\n" + extra +
           "\n[Desktop Action new-window]\nName=New Window\nExec=" + exec + " --new\n";
}

std::string LinuxMachine::debApp(const std::string& package, const std::string& desktopId,
                                 const std::string& name, const std::string& version,
                                 std::uint64_t installedKiB, const std::string& extraEntryLines) {
    const std::string entryRel = "root/usr/share/applications/" + desktopId + ".desktop";
    const std::string path = tree.file(entryRel, entry(name, package + " %F", extraEntryLines));
    tree.file("root/usr/bin/" + package, "#!/bin/sh\n");
    tree.chmod("root/usr/bin/" + package, 0755);
    tree.file("root/var/lib/dpkg/info/" + package + ".list",
              "/.\n/usr\n/usr/bin\n/usr/bin/" + package +
                  "\n/usr/share\n/usr/share/applications\n"
                  "/usr/share/applications/" +
                  desktopId + ".desktop\n");
    std::ofstream status(root + "/var/lib/dpkg/status", std::ios::app);
    status << "Package: " << package << "\nStatus: install ok installed\nPriority: optional\n"
           << "Section: misc\nInstalled-Size: " << installedKiB
           << "\nMaintainer: Nobody <nobody@example.org>\nArchitecture: amd64\nVersion: " << version
           << "\nDescription: " << name << "\n fixture package\n\n";
    return path;
}

std::string flatpakDeployData(std::uint64_t installedSize, const std::string& appdataVersion) {
    GVariantBuilder metadata;
    g_variant_builder_init(&metadata, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&metadata, "{sv}", "deploy-version", g_variant_new_int32(4));
    if (!appdataVersion.empty())
        g_variant_builder_add(&metadata, "{sv}", "appdata-version",
                              g_variant_new_string(appdataVersion.c_str()));
    const char* noSubpaths[] = {nullptr};
    GVariant* data = g_variant_ref_sink(
        g_variant_new("(ss^asta{sv})", "flathub",
                      "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef",
                      noSubpaths, static_cast<guint64>(installedSize), &metadata));
    std::string bytes(static_cast<const char*>(g_variant_get_data(data)), g_variant_get_size(data));
    g_variant_unref(data);
    return bytes;
}

std::string LinuxMachine::flatpakApp(const std::string& appId, const std::string& name,
                                     const std::string& version, std::uint64_t installedSize,
                                     bool user) {
    const std::string installation =
        user ? "root/home/ann/.local/share/flatpak" : "root/var/lib/flatpak";
    const std::string appRel = installation + "/app/" + appId;
    const std::string commit = "5b1d7c3e9a";
    const std::string deployRel = appRel + "/x86_64/stable/" + commit;
    tree.file(deployRel + "/metadata", "[Application]\nname=" + appId +
                                           "\nruntime=org.freedesktop.Platform/x86_64/23.08\n"
                                           "command=" +
                                           name + "\n");
    tree.file(deployRel + "/deploy", flatpakDeployData(installedSize, version));
    tree.fileOfSize(deployRel + "/files/bin/" + appId, 20000);
    tree.file(deployRel + "/files/share/metainfo/" + appId + ".metainfo.xml",
              "<?xml version=\"1.0\"?>\n<component type=\"desktop-application\">\n  <id>" + appId +
                  "</id>\n  <releases>\n    <release version=\"" + version +
                  "\" date=\"2024-01-01\"/>\n    <release version=\"0.1\"/>\n  </releases>\n"
                  "</component>\n");
    tree.file(deployRel + "/export/share/applications/" + appId + ".desktop",
              entry(name,
                    "/usr/bin/flatpak run --branch=stable --arch=x86_64 --command=" + name +
                        " --file-forwarding " + appId + " @@u %U @@",
                    "X-Flatpak=" + appId + "\n"));
    tree.symlink(commit, appRel + "/x86_64/stable/active");
    tree.symlink("x86_64/stable", appRel + "/current");
    tree.symlink(
        "../../../app/" + appId + "/current/active/export/share/applications/" + appId + ".desktop",
        installation + "/exports/share/applications/" + appId + ".desktop");
    return tree.path(appRel);
}

std::string LinuxMachine::snapApp(const std::string& name, const std::string& title,
                                  const std::string& version, std::uint64_t imageSize) {
    const std::string revision = "42";
    tree.file("root/snap/" + name + "/" + revision + "/meta/snap.yaml",
              "name: " + name + "\nversion: '" + version + "'\nsummary: " + title + "\napps:\n  " +
                  name + ":\n    command: bin/" + name + "\n");
    tree.symlink(revision, "root/snap/" + name + "/current");
    tree.sparseFile("root/var/lib/snapd/snaps/" + name + "_" + revision + ".snap", imageSize);
    tree.file("root/var/lib/snapd/desktop/applications/" + name + "_" + name + ".desktop",
              entry(title,
                    "env BAMF_DESKTOP_FILE_HINT=/var/lib/snapd/desktop/applications/" + name + "_" +
                        name + ".desktop /snap/bin/" + name + " %U",
                    "X-SnapInstanceName=" + name + "\nX-SnapAppName=" + name + "\n"));
    return tree.path("root/snap/" + name);
}

std::string LinuxMachine::appImage(const std::string& relToHome, bool executable,
                                   std::uint64_t size) {
    static const char kHead[] =
        "\x7f"
        "ELF\x02\x01\x01\x00"
        "AI\x02";
    std::string bytes(kHead, sizeof kHead - 1);
    bytes.resize(size, '\0');
    const std::string rel = "root/home/ann/" + relToHome;
    const std::string path = tree.file(rel, bytes);
    tree.chmod(rel, executable ? 0755 : 0644);
    return path;
}

MacTree::MacTree() : home(tree.dir("Users/ann")) {
    tree.file("usr/bin/mdfind",
              "#!/bin/sh\n"
              "here=\"$(dirname \"$0\")/../..\"\n"
              "printf '%s\\n' \"$*\" >> \"$here/mdfind.log\"\n"
              "id=$(printf '%s' \"$1\" | sed -n 's/^kMDItemCFBundleIdentifier == "
              "\"\\([^\"]*\\)\".*/\\1/p')\n"
              "if [ -f \"$here/index/$id.wait\" ]; then : > \"$here/started\";\n"
              "  while [ ! -e \"$here/release\" ]; do sleep 0.01; done; fi\n"
              "[ -f \"$here/index/$id\" ] && cat \"$here/index/$id\"\n"
              "exit 0\n");
    tree.file(
        "usr/bin/mdls",
        "#!/bin/sh\n"
        "case \"$2\" in\n"
        "kMDItemFSSize) f=\"$3/.fixture-size\" ;;\n"
        "*) f=\"$3/.fixture-lastused\" ;;\n"
        "esac\n"
        "if [ -f \"$f\" ]; then echo \"$2 = $(cat \"$f\")\"; else echo \"$2 = (null)\"; fi\n");
    tree.chmod("usr/bin/mdfind", 0755);
    tree.chmod("usr/bin/mdls", 0755);
}

platform::Layout MacTree::layout() const { return platform::Layout::macLayout(tree.root(), home); }

std::string MacTree::bundle(const std::string& rel, const std::string& id, std::uint64_t size) {
    tree.file(
        rel + "/Contents/Info.plist",
        "<plist><dict><key>CFBundleIdentifier</key><string>" + id +
            "</string><key>CFBundleShortVersionString</key><string>4.2</string></dict></plist>");
    tree.fileOfSize(rel + "/Contents/MacOS/main", size);
    return tree.path(rel);
}

void MacTree::index(const std::string& id, const std::vector<std::string>& copies) {
    std::string text;
    for (const std::string& copy : copies) text += copy + "\n\n";
    tree.file("index/" + id, text);
}

}  // namespace orvane::apps::testing
