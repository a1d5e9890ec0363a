#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace orvane::support {

// Packs the program's log folder into one ZIP archive that a user can attach to a message.
class LogArchive {
public:
    struct Result {
        bool ok = false;
        std::string error;  // a sentence for the user
        std::size_t files = 0;
        std::vector<std::string> leftOut;  // files over the size budget, by relative name
    };
    using Texts = std::vector<std::pair<std::string, std::string>>;  // name in the archive, content

    // Every regular file below `folder` goes in under "logs/" (symbolic links and other special
    // files are not followed): files that would take the archive
    // past `maxBytes` are left out and named. `texts` are added at the top level. The archive is
    // written under a temporary name and renamed into place, so a failure leaves nothing behind.
    static Result pack(const std::string& folder, const std::string& archivePath,
                       const Texts& texts = {}, std::uint64_t maxBytes = 50'000'000);
};

}  // namespace orvane::support
