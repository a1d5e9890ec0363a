#pragma once

#include <string>
#include <vector>

#include "core/files/HelperProtocol.h"
#include "helper/HelperPolicy.h"

namespace orvane::helper {

struct ServiceReply {
    bool ok = false;
    std::string message;
};

// Carries out one request of the program, with whatever rights the helper runs with. It does two
// things only, each after its own checks, and refuses everything else:
//   - removes one file or folder strictly inside a protected location, reached from "/" without
//     following any link, optionally only while it keeps the device and inode the caller saw;
//   - removes installed Debian packages by name through apt-get.
class HelperService {
public:
    explicit HelperService(HelperPolicy policy);

    ServiceReply handle(const files::helper_protocol::HelperRequest& request) const;

    ServiceReply removePath(const std::string& path, const std::optional<std::uint64_t>& device,
                            const std::optional<std::uint64_t>& inode) const;
    ServiceReply removePackages(const std::vector<std::string>& names) const;

    const HelperPolicy& policy() const { return policy_; }

private:
    HelperPolicy policy_;
    std::vector<std::string> resolvedLocations_;  // the locations with their links resolved
};

// Runs a tool with no shell, standard input from /dev/null, and its standard output and error
// collected together (the last 64 KiB). Returns the exit status, or -1 when it could not be
// started or ended by a signal.
int runTool(const std::vector<std::string>& argv, std::string* output);

}  // namespace orvane::helper
