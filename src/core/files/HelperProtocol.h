#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::files {

// The conversation between the program and its privileged helper, one request and one reply at
// a time over the helper's standard input and output.
//
// Paths on Linux are bytes: a name may hold a newline or invalid UTF-8, so nothing here is
// line- or text-based. Every message is a netstring ("<length>:<bytes>,") whose bytes are
// themselves a sequence of netstrings, one per field:
//
//     request  = verb, arguments...      e.g. "remove", "/var/tmp/x", "2049", "131"
//     reply    = "ok" | "error", message
//
// A reader always knows how many bytes to expect before reading them, and the lengths are
// bounded, so a hostile or broken peer can neither make the reader guess nor make it allocate
// without limit.
namespace helper_protocol {

inline constexpr std::size_t kMaxMessage = 1 << 20;  // one message, all fields together
inline constexpr std::size_t kMaxFields = 4096;

inline constexpr std::string_view kHello = "hello";
inline constexpr std::string_view kRemove = "remove";
inline constexpr std::string_view kRemovePackages = "remove-packages";

// One message's fields wrapped as a netstring of netstrings.
std::string encode(const std::vector<std::string>& fields);

// The fields of a message's payload (the bytes inside the outer netstring). Nothing, with
// `error` set, when the payload is not a well-formed sequence of netstrings within the limits.
std::optional<std::vector<std::string>> decodeFields(std::string_view payload,
                                                     std::string* error = nullptr);

// Reads one whole message from `fd`, retrying short reads. Nothing at a clean end of input
// (`error` empty) or on malformed or oversized input (`error` set).
std::optional<std::vector<std::string>> readMessage(int fd, std::string* error = nullptr);
// Writes one message; false when the peer is gone. Never raises SIGPIPE on a socket.
bool writeMessage(int fd, const std::vector<std::string>& fields);

// A request as the helper understands it, before any check of what it asks for.
struct HelperRequest {
    enum class Kind { hello, remove, removePackages };
    Kind kind = Kind::hello;
    std::string path;  // remove
    // remove: the device and inode the item must still have; unchecked when absent.
    std::optional<std::uint64_t> device;
    std::optional<std::uint64_t> inode;
    std::vector<std::string> packages;  // removePackages
};

// Turns decoded fields into a request; nothing, with a sentence in `error`, for an unknown verb
// or the wrong number or form of arguments.
std::optional<HelperRequest> parseRequest(const std::vector<std::string>& fields,
                                          std::string* error = nullptr);
std::vector<std::string> requestFields(const HelperRequest& request);

}  // namespace helper_protocol
}  // namespace orvane::files
