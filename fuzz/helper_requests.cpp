// Any bytes on the administrator helper's input: framing, request parsing and the text checks
// that decide what may be removed must never crash, hang, allocate without bound or let a path
// outside the protected locations (or a malformed package name) through. Nothing is removed here;
// the checks on disk come after these.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/files/HelperProtocol.h"
#include "helper/HelperPolicy.h"
#include "platform/Layout.h"

namespace protocol = orvane::files::helper_protocol;
using orvane::helper::HelperPolicy;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const HelperPolicy policy({"/var/cache", "/var/log", "/var/tmp", "/tmp", "/usr/local"});
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    auto check = [&](const std::vector<std::string>& fields) {
        const auto request = protocol::parseRequest(fields);
        if (!request) return;
        // What is parsed encodes back to fields that parse the same way.
        if (protocol::parseRequest(protocol::requestFields(*request))->path != request->path)
            std::abort();
        const HelperPolicy::Verdict v = policy.checkPath(request->path);
        if (v.ok) {
            bool inside = false;
            for (const std::string& l : policy.protectedLocations())
                inside = inside || (v.normalized.size() > l.size() &&
                                    v.normalized.compare(0, l.size(), l) == 0 &&
                                    v.normalized[l.size()] == '/');
            const std::string& n = v.normalized;
            const bool dotDot = n.find("/../") != std::string::npos ||
                                (n.size() >= 3 && n.compare(n.size() - 3, 3, "/..") == 0);
            if (!inside || dotDot || n.find('\0') != std::string::npos) std::abort();
        }
        for (const std::string& name : request->packages)
            if (HelperPolicy::isDebianPackageName(name) &&
                (name.front() == '-' || name.find_first_of(" /*?;\n") != std::string::npos))
                std::abort();
    };

    if (const auto fields = protocol::decodeFields(bytes)) check(*fields);

    // The same bytes as a stream, the way the helper reads them.
    const int fd = ::memfd_create("helper-input", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (::write(fd, data, size) == static_cast<ssize_t>(size) && ::lseek(fd, 0, SEEK_SET) == 0) {
        for (int n = 0; n < 64; ++n) {
            const auto fields = protocol::readMessage(fd);
            if (!fields) break;
            check(*fields);
        }
    }
    ::close(fd);
    return 0;
}
