#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orvane::apps {

// What dpkg knows about installed Debian packages, read from its administrative folder the way
// dpkg itself stores it: one "<package>.list" of owned paths per package, and the package
// records through dpkg-query.
class DpkgDatabase {
public:
    struct Package {
        std::string name;  // as dpkg names it, with ":arch" for co-installable packages
        std::string version;
        std::uint64_t installedSize = 0;  // bytes (dpkg records KiB)
    };

    // `adminDir` is dpkg's folder (/var/lib/dpkg); `systemRoot` prefixes the paths it lists
    // ("" on the running system).
    DpkgDatabase(std::string adminDir, std::string systemRoot)
        : adminDir_(std::move(adminDir)), systemRoot_(std::move(systemRoot)) {}

    // The package owning each of the given paths (full paths, under the system root), for
    // those that one owns. Reads every files list once.
    std::map<std::string, std::string> owners(const std::vector<std::string>& paths) const;

    // Version and installed size of each named package that is installed, from dpkg-query.
    // Empty when dpkg-query cannot be run (not a Debian system).
    std::map<std::string, Package> packages(const std::vector<std::string>& names) const;

    // The files list of a package, which stands for the package in lists of files.
    std::string listFile(const std::string& package) const;

private:
    std::string adminDir_;
    std::string systemRoot_;
};

}  // namespace orvane::apps
