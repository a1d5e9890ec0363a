// orvane-helper: the one part of Orvane that runs with administrator rights, started through
// pkexec once per run of the program. It answers requests on standard input, one at a time, and
// does nothing but what HelperService allows.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/files/HelperProtocol.h"
#include "helper/HelperService.h"
#include "platform/Layout.h"

namespace {

namespace protocol = orvane::files::helper_protocol;

// Started by pkexec, or as a set-id program: either way the caller is not who the rights belong
// to, and nothing the caller chose may widen what the helper does.
bool runsElevated() {
    return std::getenv("PKEXEC_UID") != nullptr || ::geteuid() != ::getuid() ||
           ::getegid() != ::getgid();
}

int usage(const char* message) {
    std::fprintf(stderr, "orvane-helper: %s\n", message);
    std::fprintf(stderr,
                 "usage: orvane-helper [--protected-root DIR]\n"
                 "Reads requests on standard input; started by Orvane through pkexec.\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string testRoot;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--protected-root" && i + 1 < argc) {
            testRoot = argv[++i];
        } else {
            return usage("unknown argument");
        }
    }
    const bool elevated = runsElevated();
    if (!testRoot.empty()) {
        if (elevated)
            return usage("--protected-root is for tests and is refused with administrator rights");
        if (testRoot.front() != '/') return usage("--protected-root needs an absolute path");
    }
    if (elevated) {
        // Tools are found in the system's folders only, whatever the caller's PATH said.
        ::setenv("PATH", "/usr/sbin:/usr/bin:/sbin:/bin", 1);
        ::umask(022);
    }
    if (::chdir("/") != 0) return 1;
    ::signal(SIGPIPE, SIG_IGN);

    // Replies go to a private copy of standard output; anything a library or tool prints by
    // mistake lands on standard error and cannot corrupt the conversation.
    const int replies = ::dup(STDOUT_FILENO);
    if (replies < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return 1;

    const orvane::platform::Layout layout = testRoot.empty()
                                                ? orvane::platform::Layout::current()
                                                : orvane::platform::Layout::linuxLayout(testRoot);
    const orvane::helper::HelperService service{
        orvane::helper::HelperPolicy(layout.protectedLocations)};

    for (;;) {
        std::string error;
        const auto fields = protocol::readMessage(STDIN_FILENO, &error);
        if (!fields) {
            if (error.empty()) return 0;  // the program is done with us
            // The stream cannot be trusted past a broken message: answer once and stop.
            protocol::writeMessage(replies, {"error", error});
            return 1;
        }
        const auto request = protocol::parseRequest(*fields, &error);
        const orvane::helper::ServiceReply reply =
            request ? service.handle(*request) : orvane::helper::ServiceReply{false, error};
        if (!protocol::writeMessage(replies, {reply.ok ? "ok" : "error", reply.message})) return 1;
    }
}
