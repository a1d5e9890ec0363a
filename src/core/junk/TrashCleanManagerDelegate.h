#pragma once

#include <cstdint>
#include <string>

#include "core/junk/CleanBaseItem.h"
#include "core/junk/JunkTypes.h"

namespace orvane::junk {

// What the cleaning tells its screen, in this order: start, (pause, resume,) then per kind its
// start, one progress call per selected item and its finish, and last the completion; a stop
// instead ends it early. Calls come from the cleaning's thread (stopCleanTrash from the thread
// that stopped it); screens move them to their main thread.
class TrashCleanManagerDelegate {
public:
    virtual ~TrashCleanManagerDelegate() = default;
    virtual void startCleanTrash() {}
    virtual void pauseCleanTrash() {}
    virtual void resumeCleanTrash() {}
    virtual void stopCleanTrash() {}
    virtual void cleanTrashStartForState(CleanStageType) {}
    // The item's path, whether it is gone, the kind and the item's size in bytes.
    virtual void cleanTrashProgress(const std::string&, bool, CleanStageType, std::int64_t) {}
    virtual void cleanTrashFinishForState(CleanStageType) {}
    virtual void cleanTrashCompleted() {}
};

}  // namespace orvane::junk
