#pragma once

#include <string>

namespace orvane::support {

// How this copy of the program came onto the machine. A copy a package manager installed must be
// updated through it: replacing its files by hand would fight the package database.
struct InstallSource {
    enum class Kind { direct, debianPackage, flatpak, snap };
    Kind kind = Kind::direct;
    std::string name;  // the package name or application id

    bool isManaged() const { return kind != Kind::direct; }
    // A sentence telling the user how to update this copy; empty for a direct install.
    std::string advice() const;

    // Looks at the sandbox markers flatpak and snap give their applications, then asks dpkg
    // which package owns `executablePath`. `root` prefixes "/.flatpak-info", for tests.
    static InstallSource detect(const std::string& executablePath, const std::string& root = "");
    // The package that owns a file according to `dpkg-query -S`, or "" (none, or no dpkg).
    static std::string debianPackageOwning(const std::string& path);
};

}  // namespace orvane::support
