#pragma once

#include <sys/types.h>

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/files/FileIdentity.h"

namespace orvane::files {

struct HelperReply {
    bool ok = false;
    std::string message;  // what was done, or why not, for the user
};

// The program's side of the administrator helper (orvane-helper, started through pkexec). One
// authorization serves the whole run: the helper process is started once and kept alive, and
// every request goes to it in turn. The helper removes only what lies inside the protected
// locations and named Debian packages; whatever it refuses comes back as a reply, never as a
// removal.
//
// Thread-safe; requests are answered one at a time.
class PrivilegedHelper {
public:
    static PrivilegedHelper& shared();

    PrivilegedHelper();
    ~PrivilegedHelper();
    PrivilegedHelper(const PrivilegedHelper&) = delete;
    PrivilegedHelper& operator=(const PrivilegedHelper&) = delete;

    // Starts the helper once and waits for it to answer, which is when the user has given the
    // password. False, with lastError() set, when pkexec or the helper is missing, the user
    // dismissed the prompt or the rights were refused; a later call asks again.
    bool initialize();
    bool isAuthorized() const;
    std::string lastError() const;

    // Removes the file or folder at `path`; with `expected`, only while it still has that
    // device and inode. Written to the removal journal before it is asked for.
    HelperReply removePath(const std::string& path,
                           std::optional<FileIdentity> expected = std::nullopt);
    // `apt-get remove` of installed packages, all in one step.
    HelperReply removePackages(const std::vector<std::string>& names);

    // Ends the helper; the next initialize() asks for the password again.
    void release();

    // The command that starts the helper; by default pkexec and the installed helper. Tests run
    // the built helper directly (with --protected-root) or through a stand-in pkexec.
    void setLauncher(std::vector<std::string> argv);
    // Where the installed helper is: beside the running program's prefix, else where this
    // build installs it; empty when neither exists.
    static std::string installedHelperPath();

private:
    HelperReply ask(const std::vector<std::string>& fields);
    void stopLocked();
    std::string exitDescription(int status) const;

    mutable std::mutex mutex_;
    std::vector<std::string> launcher_;
    pid_t pid_ = -1;
    int socket_ = -1;
    bool authorized_ = false;
    std::string lastError_;
};

}  // namespace orvane::files
