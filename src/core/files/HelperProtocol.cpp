#include "core/files/HelperProtocol.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>

namespace orvane::files::helper_protocol {

namespace {

constexpr std::size_t kMaxLengthDigits = 7;  // enough for kMaxMessage

void setError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

// The length prefix of a netstring: decimal digits, no sign, no leading zero, then ':'.
std::optional<std::size_t> parseLength(std::string_view digits) {
    if (digits.empty() || digits.size() > kMaxLengthDigits) return std::nullopt;
    if (digits.size() > 1 && digits.front() == '0') return std::nullopt;
    std::size_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    return value;
}

void appendNetstring(std::string& out, std::string_view bytes) {
    out += std::to_string(bytes.size());
    out += ':';
    out.append(bytes.data(), bytes.size());
    out += ',';
}

// Reads exactly `n` bytes; false on end of input or error. `sawAny` tells a clean end (nothing
// read) from one in the middle of a message.
bool readExactly(int fd, char* into, std::size_t n, bool* sawAny = nullptr) {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, into + got, n - got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        got += static_cast<std::size_t>(r);
        if (sawAny) *sawAny = true;
    }
    return true;
}

std::optional<std::uint64_t> parseNumber(std::string_view text) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

std::string encode(const std::vector<std::string>& fields) {
    std::string payload;
    for (const std::string& field : fields) appendNetstring(payload, field);
    std::string message;
    appendNetstring(message, payload);
    return message;
}

std::optional<std::vector<std::string>> decodeFields(std::string_view payload, std::string* error) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (at < payload.size()) {
        if (fields.size() >= kMaxFields) {
            setError(error, "The request has too many fields.");
            return std::nullopt;
        }
        const std::size_t colon = payload.find(':', at);
        if (colon == std::string_view::npos || colon - at > kMaxLengthDigits) {
            setError(error, "A field of the request has no valid length.");
            return std::nullopt;
        }
        const std::optional<std::size_t> length = parseLength(payload.substr(at, colon - at));
        if (!length) {
            setError(error, "A field of the request has no valid length.");
            return std::nullopt;
        }
        const std::size_t start = colon + 1;
        if (*length > payload.size() - start || start + *length >= payload.size() ||
            payload[start + *length] != ',') {
            setError(error, "A field of the request is cut short.");
            return std::nullopt;
        }
        fields.emplace_back(payload.substr(start, *length));
        at = start + *length + 1;
    }
    return fields;
}

std::optional<std::vector<std::string>> readMessage(int fd, std::string* error) {
    setError(error, {});
    std::string digits;
    bool sawAny = false;
    for (;;) {
        char c = 0;
        if (!readExactly(fd, &c, 1, &sawAny)) {
            if (sawAny) setError(error, "The message ended early.");
            return std::nullopt;
        }
        if (c == ':') break;
        digits += c;
        if (digits.size() > kMaxLengthDigits) break;
    }
    const std::optional<std::size_t> length = parseLength(digits);
    if (!length || *length > kMaxMessage) {
        setError(error, "The message has no valid length.");
        return std::nullopt;
    }
    std::string payload(*length + 1, '\0');
    if (!readExactly(fd, payload.data(), payload.size())) {
        setError(error, "The message ended early.");
        return std::nullopt;
    }
    if (payload.back() != ',') {
        setError(error, "The message is not terminated.");
        return std::nullopt;
    }
    payload.pop_back();
    return decodeFields(payload, error);
}

bool writeMessage(int fd, const std::vector<std::string>& fields) {
    const std::string message = encode(fields);
    struct stat st {};
    const bool socket = ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
    std::size_t sent = 0;
    while (sent < message.size()) {
        const ssize_t n =
            socket ? ::send(fd, message.data() + sent, message.size() - sent, MSG_NOSIGNAL)
                   : ::write(fd, message.data() + sent, message.size() - sent);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<HelperRequest> parseRequest(const std::vector<std::string>& fields,
                                          std::string* error) {
    if (fields.empty()) {
        setError(error, "The request is empty.");
        return std::nullopt;
    }
    HelperRequest request;
    const std::string& verb = fields.front();
    if (verb == kHello) {
        if (fields.size() != 1) {
            setError(error, "“hello” takes no arguments.");
            return std::nullopt;
        }
        request.kind = HelperRequest::Kind::hello;
        return request;
    }
    if (verb == kRemove) {
        if (fields.size() != 2 && fields.size() != 4) {
            setError(error, "“remove” takes a path, and optionally a device and an inode.");
            return std::nullopt;
        }
        request.kind = HelperRequest::Kind::remove;
        request.path = fields[1];
        if (fields.size() == 4) {
            request.device = parseNumber(fields[2]);
            request.inode = parseNumber(fields[3]);
            if (!request.device || !request.inode) {
                setError(error, "The device and inode of a removal must be decimal numbers.");
                return std::nullopt;
            }
        }
        return request;
    }
    if (verb == kRemovePackages) {
        if (fields.size() < 2) {
            setError(error, "“remove-packages” needs at least one package name.");
            return std::nullopt;
        }
        request.kind = HelperRequest::Kind::removePackages;
        request.packages.assign(fields.begin() + 1, fields.end());
        return request;
    }
    setError(error, "Unknown request; the helper only removes protected files and packages.");
    return std::nullopt;
}

std::vector<std::string> requestFields(const HelperRequest& request) {
    switch (request.kind) {
        case HelperRequest::Kind::hello: return {std::string(kHello)};
        case HelperRequest::Kind::remove: {
            std::vector<std::string> fields{std::string(kRemove), request.path};
            if (request.device && request.inode) {
                fields.push_back(std::to_string(*request.device));
                fields.push_back(std::to_string(*request.inode));
            }
            return fields;
        }
        case HelperRequest::Kind::removePackages: {
            std::vector<std::string> fields{std::string(kRemovePackages)};
            fields.insert(fields.end(), request.packages.begin(), request.packages.end());
            return fields;
        }
    }
    return {};
}

}  // namespace orvane::files::helper_protocol
