#include "core/files/TreeWalker.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "kit/Paths.h"

namespace orvane::files {

namespace {

constexpr std::size_t kDirentBufferSize = 64 * 1024;

struct PendingDir {
    std::string path;
    unsigned depth = 0;
};

// The shared part of one walk. Directories wait on a stack (depth first keeps the number of
// waiting paths small); a worker takes one, reads it whole and pushes its subdirectories.
struct WalkState {
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<PendingDir> stack;
    unsigned busy = 0;
    std::set<std::pair<dev_t, ino_t>> seenDirectories;
    const std::atomic<bool>* stop = nullptr;

    bool stopped() const { return stop && stop->load(std::memory_order_relaxed); }
};

EntryType typeFromDirent(unsigned char d) {
    switch (d) {
        case DT_REG: return EntryType::file;
        case DT_DIR: return EntryType::directory;
        case DT_LNK: return EntryType::symlink;
        case DT_UNKNOWN: return EntryType::unknown;
        default: return EntryType::other;
    }
}

EntryType typeFromMode(std::uint32_t mode) {
    if (S_ISREG(mode)) return EntryType::file;
    if (S_ISDIR(mode)) return EntryType::directory;
    if (S_ISLNK(mode)) return EntryType::symlink;
    return EntryType::other;
}

std::string normalisedRoot(std::string root) {
    root.resize(kit::withoutTrailingSlashes(root).size());
    return root;
}

// Our identity, read once: permission checks from mode bits are then free.
struct Identity {
    uid_t uid = ::geteuid();
    gid_t gid = ::getegid();
    std::vector<gid_t> groups;

    Identity() {
        const int n = ::getgroups(0, nullptr);
        if (n > 0) {
            groups.resize(static_cast<std::size_t>(n));
            const int got = ::getgroups(n, groups.data());
            groups.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        }
    }
    bool inGroup(gid_t g) const {
        return g == gid || std::find(groups.begin(), groups.end(), g) != groups.end();
    }
};

const Identity& identity() {
    static const Identity id;
    return id;
}

// Asks the system. Only a refusal counts: a link to nothing, or a loop of links, holds nothing
// anyone could be refused.
bool accessAllowed(const WalkEntry& e, int accessMode) {
    if (e.parentFd < 0) return false;
    if (::faccessat(e.parentFd, std::string(e.name).c_str(), accessMode, AT_EACCESS) == 0)
        return true;
    return errno == ENOENT || errno == ENOTDIR || errno == ELOOP;
}

bool permitted(const WalkEntry& e, std::uint32_t ownerBit, std::uint32_t groupBit,
               std::uint32_t otherBit, int accessMode) {
    const Identity& id = identity();
    // Only the target can answer for a link; an entry we could not stat we ask about.
    if (e.type == EntryType::symlink || !e.statOk) return accessAllowed(e, accessMode);
    if (id.uid == 0) return accessMode != X_OK || (e.mode & 0111);
    bool allowed;
    if (e.uid == id.uid) allowed = e.mode & ownerBit;
    else if (id.inGroup(e.gid)) allowed = e.mode & groupBit;
    else allowed = e.mode & otherBit;
    return allowed || accessAllowed(e, accessMode);
}

struct Worker {
    unsigned index = 0;
    std::vector<char> dirents = std::vector<char>(kDirentBufferSize);
    std::string path;
    std::vector<PendingDir> found;
};

}  // namespace

TreeWalker::TreeWalker(Options options) : statDirectories_(options.statDirectories) {
    unsigned n = options.threads;
    if (n == 0) n = std::clamp(std::thread::hardware_concurrency(), 2u, 8u);
    threads_ = n;
}

bool TreeWalker::isReadable(const WalkEntry& e) { return permitted(e, 0400, 0040, 0004, R_OK); }
bool TreeWalker::isWritable(const WalkEntry& e) { return permitted(e, 0200, 0020, 0002, W_OK); }

void TreeWalker::walk(const std::vector<std::string>& roots, const Visitor& visitor,
                      const std::atomic<bool>* stop) {
    WalkState state;
    state.stop = stop;
    // Pushed in reverse so the first root is read first.
    for (auto it = roots.rbegin(); it != roots.rend(); ++it) {
        if (it->empty()) continue;
        state.stack.push_back({normalisedRoot(*it), 0});
    }

    auto readDirectory = [&](Worker& w, const PendingDir& dir) {
        const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (dir.depth > 0 ? O_NOFOLLOW : 0);
        const int fd = ::open(dir.path.c_str(), flags);
        if (fd < 0) {
            (errno == ENAMETOOLONG ? tooLong_ : unreadable_)
                .fetch_add(1, std::memory_order_relaxed);
            return;
        }
        struct stat self {};
        if (::fstat(fd, &self) != 0) {
            ::close(fd);
            unreadable_.fetch_add(1, std::memory_order_relaxed);
            return;
        }
        {
            std::lock_guard lock(state.mutex);
            if (!state.seenDirectories.emplace(self.st_dev, self.st_ino).second) {
                ::close(fd);
                return;
            }
        }
        directories_.fetch_add(1, std::memory_order_relaxed);

        w.path = dir.path;
        if (w.path != "/") w.path.push_back('/');
        const std::size_t base = w.path.size();
        std::uint64_t entries = 0;

        for (;;) {
            const ssize_t got = ::getdents64(fd, w.dirents.data(), w.dirents.size());
            if (got <= 0) break;  // end, or a directory that went away while we read it
            for (ssize_t off = 0; off < got;) {
                const auto* d = reinterpret_cast<const struct dirent64*>(w.dirents.data() + off);
                off += d->d_reclen;
                const char* name = d->d_name;
                if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
                if (state.stopped()) {
                    ::close(fd);
                    files_.fetch_add(entries, std::memory_order_relaxed);
                    return;
                }
                const std::size_t nameLength = std::strlen(name);
                if (base + nameLength >= PATH_MAX) {
                    tooLong_.fetch_add(1, std::memory_order_relaxed);
                    continue;
                }
                w.path.resize(base);
                w.path.append(name, nameLength);

                WalkEntry e;
                e.path = w.path;
                e.name = std::string_view(w.path).substr(base);
                e.type = typeFromDirent(d->d_type);
                e.hidden = name[0] == '.';
                e.parentFd = fd;
                e.depth = dir.depth + 1;
                e.thread = w.index;
                if (e.type != EntryType::directory || statDirectories_) {
                    struct statx sx {};
                    const unsigned mask = STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_UID |
                                          STATX_GID | STATX_MTIME | STATX_CTIME | STATX_INO |
                                          STATX_SIZE | STATX_BLOCKS;
                    if (::statx(fd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &sx) == 0) {
                        e.statOk = true;
                        e.mode = sx.stx_mode;
                        e.size = sx.stx_size;
                        e.allocatedSize = sx.stx_blocks * 512;
                        e.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
                        e.inode = sx.stx_ino;
                        e.uid = sx.stx_uid;
                        e.gid = sx.stx_gid;
                        e.linkCount = sx.stx_nlink;
                        e.modificationTime =
                            static_cast<double>(sx.stx_mtime.tv_sec) + sx.stx_mtime.tv_nsec / 1e9;
                        e.mtimeNs = sx.stx_mtime.tv_sec * 1'000'000'000LL + sx.stx_mtime.tv_nsec;
                        e.ctimeNs = sx.stx_ctime.tv_sec * 1'000'000'000LL + sx.stx_ctime.tv_nsec;
                        // The entry type can be stale if the name was replaced since the
                        // directory was read; the inode we just looked at is the truth.
                        e.type = typeFromMode(sx.stx_mode);
                    }
                }
                ++entries;
                const WalkAction action = visitor(e);
                if (e.type == EntryType::directory && action == WalkAction::proceed)
                    w.found.push_back({w.path, e.depth});
            }
        }
        ::close(fd);
        files_.fetch_add(entries, std::memory_order_relaxed);
    };

    auto run = [&](unsigned index) {
        Worker w;
        w.index = index;
        std::unique_lock lock(state.mutex);
        for (;;) {
            state.wake.wait(
                lock, [&] { return !state.stack.empty() || state.busy == 0 || state.stopped(); });
            if (state.stack.empty() || state.stopped()) {
                if (state.busy == 0 || state.stopped()) {
                    state.wake.notify_all();
                    return;
                }
                continue;
            }
            PendingDir dir = std::move(state.stack.back());
            state.stack.pop_back();
            ++state.busy;
            lock.unlock();

            readDirectory(w, dir);

            lock.lock();
            --state.busy;
            const std::size_t pushed = w.found.size();
            // Reversed so that the first subdirectory is the next one taken.
            for (auto it = w.found.rbegin(); it != w.found.rend(); ++it)
                state.stack.push_back(std::move(*it));
            w.found.clear();
            if (pushed > 1 || state.busy == 0) state.wake.notify_all();
            else if (pushed == 1) state.wake.notify_one();
        }
    };

    std::vector<std::thread> helpers;
    helpers.reserve(threads_ - 1);
    for (unsigned i = 1; i < threads_; ++i) helpers.emplace_back(run, i);
    run(0);
    for (auto& t : helpers) t.join();
}

}  // namespace orvane::files
