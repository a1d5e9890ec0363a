#include "core/files/RecordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <bit>
#include <cerrno>
#include <cstring>

#include "kit/WholeFile.h"

namespace orvane::files {

namespace {

constexpr std::size_t kFlushAt = 1 << 20;

XXH3_state_t* checksumState(void* state) { return static_cast<XXH3_state_t*>(state); }

bool makeFolders(const std::string& folder) {
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/') continue;
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

std::string notThis(const RecordFormat& format) {
    return "not a " + std::string(format.what) + " of this version";
}

}  // namespace

namespace {

// A little-endian unsigned integer; on a little-endian machine one load.
template <class T>
T loadLittleEndian(const unsigned char* at) {
    T v = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    for (int i = static_cast<int>(sizeof v) - 1; i >= 0; --i) v = (v << 8) | at[i];
    return v;
}

}  // namespace

std::uint64_t recordGet64(const unsigned char* at) { return loadLittleEndian<std::uint64_t>(at); }
std::uint32_t recordGet32(const unsigned char* at) { return loadLittleEndian<std::uint32_t>(at); }

void recordPut64(std::string& out, std::uint64_t value) {
    char bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    out.append(bytes, 8);
}

void recordPut32(std::string& out, std::uint32_t value) {
    char bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    out.append(bytes, 4);
}

std::optional<RecordView> parseRecords(std::string_view bytes, const RecordFormat& format,
                                       std::string* error) {
    const auto fail = [&](std::string why) -> std::optional<RecordView> {
        if (error) *error = std::move(why);
        return std::nullopt;
    };
    const std::size_t head = format.magic.size();
    if (bytes.size() < head || bytes.substr(0, head) != format.magic) return fail(notThis(format));
    if (bytes.size() < head + 16) return fail("truncated");
    const auto* base = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::uint64_t count = recordGet64(base + head);
    // The count is checked against the bound before it is multiplied, so no count can wrap the
    // length it implies.
    if (count > format.maxRecords || bytes.size() != head + 8 + count * format.recordSize + 8)
        return fail("damaged: wrong length");
    const std::size_t body = bytes.size() - 8;
    if (XXH3_64bits(bytes.data(), body) != recordGet64(base + body))
        return fail("damaged: checksum does not match");
    RecordView view;
    view.first_ = base + head + 8;
    view.count_ = count;
    view.recordSize_ = format.recordSize;
    return view;
}

bool readRecordFile(const std::string& path, const RecordFormat& format, std::string& out,
                    std::string* error) {
    out.clear();
    kit::WholeFile file = kit::readWholeFile(path, format.maxBytes());
    using Failure = kit::WholeFile::Failure;
    switch (file.failure) {
        case Failure::none: out = std::move(file.bytes); return true;
        case Failure::missing: return true;
        case Failure::notRegular:
            if (error) *error = "not a regular file";
            return false;
        case Failure::tooLarge:
            if (error) *error = "too large to be a " + std::string(format.what);
            return false;
        case Failure::cannotOpen:
        case Failure::cannotRead: break;
    }
    if (error) *error = std::strerror(file.error);
    return false;
}

RecordWriter::RecordWriter(const RecordFormat& format, std::uint64_t count, Sink sink)
    : format_(format), count_(count), sink_(std::move(sink)), state_(XXH3_createState()) {
    XXH3_64bits_reset(checksumState(state_));
    buffer_.reserve(kFlushAt + format.recordSize + 64);
    buffer_.append(format.magic);
    recordPut64(buffer_, count);
}

RecordWriter::~RecordWriter() { XXH3_freeState(checksumState(state_)); }

bool RecordWriter::flush() {
    XXH3_64bits_update(checksumState(state_), buffer_.data(), buffer_.size());
    ok_ = ok_ && sink_(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok_;
}

void RecordWriter::endRecord() {
    ++written_;
    if (buffer_.size() >= kFlushAt) {
        bytes_ += buffer_.size();
        flush();
    }
}

bool RecordWriter::finish() {
    bytes_ += buffer_.size();
    flush();
    const bool whole =
        written_ == count_ && bytes_ == format_.magic.size() + 8 + count_ * format_.recordSize;
    recordPut64(buffer_, XXH3_64bits_digest(checksumState(state_)));
    ok_ = ok_ && sink_(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok_ && whole;
}

bool saveRecordFile(const std::string& path,
                    const std::function<bool(const RecordWriter::Sink&)>& write,
                    std::string* error) {
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !makeFolders(path.substr(0, slash))) {
        if (error) *error = std::string("cannot create the folder: ") + std::strerror(errno);
        return false;
    }
    const std::string temp = path + ".tmp." + std::to_string(::getpid());
    const int fd =
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    int failure = 0;
    const bool written = write([fd, &failure](const char* data, std::size_t size) {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd, data + done, size - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                failure = n < 0 ? errno : ENOSPC;
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    });
    bool done = ::close(fd) == 0;
    if (!done && failure == 0) failure = errno;
    done = done && written;
    if (done && ::rename(temp.c_str(), path.c_str()) != 0) {
        failure = errno;
        done = false;
    }
    if (!done) {
        if (error)
            *error = std::string("cannot write ") + path + ": " +
                     (failure ? std::strerror(failure) : "incomplete records");
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace orvane::files
