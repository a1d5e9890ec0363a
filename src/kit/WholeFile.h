#pragma once

#include <fcntl.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace orvane::kit {

// Whether a symbolic link at the path itself is read through or refused. Links inside the path
// are always followed, as the kernel does.
enum class FileLinks { refuse, follow };

// What readWholeFile found: the bytes, or why there are none.
struct WholeFile {
    enum class Failure {
        none,
        missing,     // nothing at the path (ENOENT)
        cannotOpen,  // any other refusal to open, a link where links are refused among them
        notRegular,  // a folder, device, FIFO or socket: never read, so nothing can block
        tooLarge,    // larger than the bound; not a byte was read
        cannotRead,  // a read failed part way
    };
    Failure failure = Failure::none;
    int error = 0;      // errno for missing, cannotOpen and cannotRead
    std::string bytes;  // the file's bytes: fewer than its size said when it shrank meanwhile
    dev_t device = 0;   // the file read, for callers that must know it is the one they meant
    ino_t inode = 0;

    explicit operator bool() const { return failure == Failure::none; }
};

// Reads the regular file at `path` whole, in one open so that what was checked is what is read:
// anything but a regular file, or one larger than `maxBytes`, is refused before a byte is read.
// A file that grows meanwhile is read to the size it had when opened. `dirFd` anchors a
// relative path (openat).
WholeFile readWholeFile(const std::string& path, std::uint64_t maxBytes,
                        FileLinks links = FileLinks::refuse, int dirFd = AT_FDCWD);

// The first `count` bytes (fewer when the file is shorter) of the regular file at `path`, of any
// size, with the same refusals: for formats whose header tells what the file is.
WholeFile readFileStart(const std::string& path, std::size_t count,
                        FileLinks links = FileLinks::refuse);

}  // namespace orvane::kit
