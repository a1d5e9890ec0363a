#include "core/duplicates/Md5File.h"

#include <fcntl.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <xxhash.h>

#include <sys/uio.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "kit/Log.h"

namespace orvane::duplicates {

namespace {

constexpr std::size_t kChunk = 1024 * 1024;

const EVP_MD* md5Algorithm() {
    // Fetching once saves a provider lookup per file.
    static const EVP_MD* md = [] {
        const EVP_MD* fetched = EVP_MD_fetch(nullptr, "MD5", nullptr);
        return fetched ? fetched : EVP_md5();
    }();
    return md;
}

const EVP_MD* sha256Algorithm() {
    static const EVP_MD* md = [] {
        const EVP_MD* fetched = EVP_MD_fetch(nullptr, "SHA256", nullptr);
        return fetched ? fetched : EVP_sha256();
    }();
    return md;
}

struct ThreadBuffers {
    std::unique_ptr<std::uint8_t[]> chunk{new std::uint8_t[kChunk + 1]};
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EVP_MD_CTX* sha = EVP_MD_CTX_new();
    ~ThreadBuffers() {
        EVP_MD_CTX_free(ctx);
        EVP_MD_CTX_free(sha);
        // OpenSSL keeps per-thread state of its own that only this call releases; a hashing
        // thread that ends without it leaks it.
        OPENSSL_thread_stop();
    }
};

ThreadBuffers& buffers() {
    thread_local ThreadBuffers b;
    return b;
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

private:
    int fd_;
};

// O_NONBLOCK so that a name swapped for a FIFO cannot hang the scan; O_NOATIME where we may
// (our own files), so a scan does not rewrite the metadata of everything it compares.
int openForReading(const std::string& path) {
    const int base = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = ::open(path.c_str(), base | O_NOATIME);
    if (fd < 0 && errno == EPERM) fd = ::open(path.c_str(), base);
    return fd;
}

// Cached-only mode: reads that would wait for the disk fail at once instead and are noted, so a
// caller can leave the file to a reader that is allowed to wait.
thread_local bool tCachedOnly = false;
thread_local bool tWouldBlock = false;

// Files up to this size are opened in cached-only mode without asking the page cache first:
// their reads themselves refuse to wait for the disk, which spares two calls per file on trees
// of many small files.
constexpr std::uint64_t kReadWithoutWaitingUpTo = 64 * 1024;
// File systems that cannot refuse to wait answer such a read with EOPNOTSUPP; from then on the
// page cache is asked before each read.
std::atomic<bool> gNoWaitUnsupported{false};

bool fullyCached(int fd);

// read(2), or pread(2) when offset >= 0. In cached-only mode a read the page cache cannot serve
// fails with EAGAIN instead of waiting.
ssize_t readSome(int fd, std::uint8_t* into, std::size_t want, off_t offset) {
    if (tCachedOnly) {
        if (!gNoWaitUnsupported.load(std::memory_order_relaxed)) {
            iovec vec{into, want};
            const ssize_t n = ::preadv2(fd, &vec, 1, offset, RWF_NOWAIT);
            if (n >= 0 || (errno != EOPNOTSUPP && errno != EINVAL && errno != EAGAIN)) return n;
            // The kernel also refuses pages that are in memory but marked for read-ahead; the
            // page cache itself tells whether waiting would really mean the disk.
            if (errno != EAGAIN) gNoWaitUnsupported = true;
        }
        if (!fullyCached(fd)) {
            errno = EAGAIN;
            return -1;
        }
    }
    return offset < 0 ? ::read(fd, into, want) : ::pread(fd, into, want, offset);
}

// Whether every page of the file is in the page cache, asked without reading anything. Kernels
// without the call answer "no", which only means the careful one-reader path is taken.
bool fullyCached(int fd, const struct stat& st) {
#ifdef SYS_cachestat
    constexpr long kCachestat = SYS_cachestat;
#else
    constexpr long kCachestat = 451;
#endif
    struct {
        std::uint64_t off, len;
    } range{0, 0};  // 0 length: to the end of the file
    struct {
        std::uint64_t cache, dirty, writeback, evicted, recentlyEvicted;
    } stat{};
    if (!S_ISREG(st.st_mode)) return false;
    if (::syscall(kCachestat, fd, &range, &stat, 0) != 0) return false;
    static const long page = ::sysconf(_SC_PAGESIZE);
    const auto pages = (static_cast<std::uint64_t>(st.st_size) + page - 1) / page;
    return stat.cache >= pages;
}

bool fullyCached(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && fullyCached(fd, st);
}

// Always false; in cached-only mode it notes that the failure may only mean "not in memory".
bool failedRead() {
    if (tCachedOnly) tWouldBlock = true;
    return false;
}

ssize_t readFully(int fd, std::uint8_t* into, std::size_t want) {
    std::size_t got = 0;
    while (got < want) {
        const ssize_t n = ::read(fd, into + got, want - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

bool preadFully(int fd, std::uint8_t* into, std::size_t want, off_t at) {
    std::size_t got = 0;
    while (got < want) {
        const ssize_t n = readSome(fd, into + got, want - got, at + static_cast<off_t>(got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

void ContentReader::setCachedOnly(bool cachedOnly) {
    tCachedOnly = cachedOnly;
    tWouldBlock = false;
}

bool ContentReader::wouldHaveBlocked() { return tWouldBlock; }

std::string digestString(const Md5Digest& digest) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out(32, '0');
    for (std::size_t i = 0; i < digest.size(); ++i) {
        out[2 * i] = hex[digest[i] >> 4];
        out[2 * i + 1] = hex[digest[i] & 0xF];
    }
    return out;
}

std::optional<std::string> md5File(const std::string& path, std::int64_t size, double /*ratio*/) {
    if (size == 0) return std::string("0");
    Fd fd(openForReading(path));
    if (!fd.ok()) {
        ORVANE_LOG(std::string("打开文件失败:") + std::strerror(errno));
        return std::nullopt;
    }
    auto& b = buffers();
    EVP_DigestInit_ex2(b.ctx, md5Algorithm(), nullptr);
    for (;;) {
        const ssize_t n = readFully(fd.get(), b.chunk.get(), kChunk);
        if (n < 0) {
            // What was read so far stays in the digest, as with a read that ends early.
            ORVANE_LOG("文件读取异常，文件路径不存在");
            break;
        }
        if (n == 0) break;
        EVP_DigestUpdate(b.ctx, b.chunk.get(), static_cast<std::size_t>(n));
    }
    Md5Digest digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(b.ctx, digest.data(), &length);
    return digestString(digest);
}

int ContentReader::open(const std::string& path) {
    const int fd = openForReading(path);
    if (fd < 0) {
        ORVANE_LOG(std::string("打开文件失败:") + std::strerror(errno));
        return fd;
    }
    if (tCachedOnly && !fullyCached(fd)) {
        ::close(fd);
        tWouldBlock = true;
        return -1;
    }
    return fd;
}

int ContentReader::open(const std::string& path, std::uint64_t device, std::uint64_t inode,
                        std::uint64_t size) {
    const int fd = openForReading(path);
    if (fd < 0) {
        ORVANE_LOG(std::string("打开文件失败:") + std::strerror(errno));
        return fd;
    }
    // One look at the open file answers both questions: is it still the scanned file, and (for
    // a large one) is it in memory.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_dev) != device ||
        static_cast<std::uint64_t>(st.st_ino) != inode ||
        static_cast<std::uint64_t>(st.st_size) != size) {
        ::close(fd);
        return -1;
    }
    if (tCachedOnly && size > kReadWithoutWaitingUpTo && !fullyCached(fd, st)) {
        ::close(fd);
        tWouldBlock = true;
        return -1;
    }
    return fd;
}

std::optional<ContentDigest> ContentReader::digest(const std::string& path, std::uint64_t size,
                                                   const std::function<bool()>& stop) {
    Fd fd(open(path));
    if (!fd.ok()) return std::nullopt;
    return digest(fd.get(), size, stop);
}

bool ContentReader::readWhole(const std::string& path, std::uint64_t size,
                              std::vector<std::uint8_t>& into) {
    Fd fd(open(path));
    return fd.ok() && readWhole(fd.get(), size, into);
}

std::optional<std::uint64_t> ContentReader::sample(const std::string& path, std::uint64_t size) {
    Fd fd(open(path));
    if (!fd.ok()) return std::nullopt;
    return sample(fd.get(), size);
}

std::optional<ContentDigest> ContentReader::digest(int fd, std::uint64_t size,
                                                   const std::function<bool()>& stop) {
    // In cached-only mode any failure may be a page not in memory; the caller retries it with a
    // reader that may wait.
    auto failed = [] {
        if (tCachedOnly) tWouldBlock = true;
        return std::optional<ContentDigest>{};
    };
    if (size > kChunk) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    auto& b = buffers();
    EVP_DigestInit_ex2(b.ctx, md5Algorithm(), nullptr);
    EVP_DigestInit_ex2(b.sha, sha256Algorithm(), nullptr);
    std::uint64_t remaining = size;
    for (;;) {
        // A chunk takes milliseconds; a whole file of many gigabytes would not honour a stop.
        if (stop && stop()) return std::nullopt;
        // Asking for one byte more than is left tells a grown file apart without an extra
        // call at the end.
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, remaining + 1));
        ssize_t n;
        do {
            n = readSome(fd, b.chunk.get(), want, -1);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            if (errno != EAGAIN) ORVANE_LOG("文件读取异常，文件路径不存在");
            return failed();
        }
        const auto got = static_cast<std::uint64_t>(n);
        if (got > remaining) return failed();  // grew since the scan
        EVP_DigestUpdate(b.ctx, b.chunk.get(), static_cast<std::size_t>(got));
        EVP_DigestUpdate(b.sha, b.chunk.get(), static_cast<std::size_t>(got));
        remaining -= got;
        // A regular file reads short only at its end.
        if (got < want) break;
    }
    if (remaining != 0) return failed();  // shrank since the scan
    ContentDigest digest;
    unsigned int length = 0;
    EVP_DigestFinal_ex(b.ctx, digest.md5.data(), &length);
    EVP_DigestFinal_ex(b.sha, digest.sha256.data(), &length);
    return digest;
}

std::optional<ContentDigest> ContentReader::digestAt(int fd, std::uint64_t size,
                                                     const std::function<bool()>& stop) {
    if (::lseek(fd, 0, SEEK_SET) != 0) return std::nullopt;
    return digest(fd, size, stop);
}

bool ContentReader::readWhole(int fd, std::uint64_t size, std::vector<std::uint8_t>& into) {
    if (into.size() < size + 1) into.resize(size + 1);
    return readWhole(fd, size, into.data());
}

bool ContentReader::readWhole(int fd, std::uint64_t size, std::uint8_t* into) {
    // One byte of room more than expected shows a file that grew.
    std::uint64_t got = 0;
    for (;;) {
        const std::uint64_t want = size + 1 - got;
        const ssize_t n = readSome(fd, into + got, static_cast<std::size_t>(want), -1);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN) ORVANE_LOG("文件读取异常，文件路径不存在");
            return failedRead();
        }
        got += static_cast<std::uint64_t>(n);
        if (got > size) return failedRead();
        // A regular file reads short only at its end.
        if (n == 0 || static_cast<std::uint64_t>(n) < want) break;
    }
    return got == size || failedRead();
}

Md5Digest ContentReader::md5(const std::uint8_t* bytes, std::size_t length) {
    auto& b = buffers();
    EVP_DigestInit_ex2(b.ctx, md5Algorithm(), nullptr);
    EVP_DigestUpdate(b.ctx, bytes, length);
    Md5Digest digest{};
    unsigned int n = 0;
    EVP_DigestFinal_ex(b.ctx, digest.data(), &n);
    return digest;
}

bool ContentReader::readAt(int fd, std::uint64_t offset, std::uint8_t* into, std::size_t length) {
    if (!preadFully(fd, into, length, static_cast<off_t>(offset))) return failedRead();
    return true;
}

bool ContentReader::endsAt(int fd, std::uint64_t size) {
    std::uint8_t extra;
    ssize_t n;
    do {
        n = ::pread(fd, &extra, 1, static_cast<off_t>(size));
    } while (n < 0 && errno == EINTR);
    return n == 0 || failedRead();
}

std::optional<std::uint64_t> ContentReader::sample(int fd, std::uint64_t size) {
    // A file that shrank fails a read below; one that grew is caught by the digest; a name that
    // is no regular file any more fails its first read.
    // On the stack: a thread that only samples needs no chunk buffer.
    std::uint8_t buf[3 * kSampleBlock];
    const std::uint64_t block = std::min(kSampleBlock, size);
    const std::uint64_t middle = (size / 2) & ~(kSampleBlock - 1);
    const std::uint64_t tail = size - block;
    if (!preadFully(fd, buf, block, 0) ||
        !preadFully(fd, buf + block, block, static_cast<off_t>(middle)) ||
        !preadFully(fd, buf + 2 * block, block, static_cast<off_t>(tail)))
        return failedRead(), std::nullopt;
    return XXH3_64bits(buf, 3 * block);
}

}  // namespace orvane::duplicates
