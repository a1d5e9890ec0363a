#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/files/FileIdentity.h"

namespace orvane::files {
class PrivilegedHelper;
}

namespace orvane::junk {

// Administrator removal for the junk cleaner: one authorization, asked for at the first
// protected item the user cannot remove and kept for the rest of the run. A thin face over the
// shared privileged helper, which does the removing and refuses anything outside the protected
// locations.
class AuthoredHelper {
public:
    static AuthoredHelper& sharedInstance();
    // Over another helper connection (tests point one at a helper run without pkexec).
    explicit AuthoredHelper(files::PrivilegedHelper& helper);

    bool initializeAuthorization();
    bool isAuthorized() const;
    // True when the item is gone afterwards (or was already). With `expected`, only while the
    // item keeps that device and inode.
    bool removeFile(const std::string& path,
                    std::optional<files::FileIdentity> expected = std::nullopt);
    // The number removed.
    long removeFiles(const std::vector<std::string>& paths);
    void releaseAuthorization();

    // The helper's words for the last refusal or failure (authorization or removal).
    std::string lastMessage() const { return lastMessage_; }

private:
    files::PrivilegedHelper& helper_;
    std::string lastMessage_;
};

}  // namespace orvane::junk
