#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace orvane::files {

struct GuardedItem;

// Removes what `item` holds, exactly that item: a file is unlinked, a folder emptied and
// removed. Every entry is reached relative to its own folder with O_NOFOLLOW, so a link inside is
// removed as a link and never leads anywhere; a folder on another file system (a mount point
// inside the tree) is left alone. 0 on success, else the first errno met (EXDEV for a mount
// point, ESTALE when the folder was swapped for another since it was checked).
// `freedBytes`, when given, grows by the disk space given back: the blocks of every file whose
// last name went and of every folder removed (a file with other names frees nothing).
int removeGuardedItem(const GuardedItem& item, std::uint64_t* freedBytes = nullptr);

// The folder `name` inside `parentFd`, emptied and removed as above, staying on `device`.
int removeTreeAt(int parentFd, const std::string& name, dev_t device,
                 std::uint64_t* freedBytes = nullptr);

}  // namespace orvane::files
