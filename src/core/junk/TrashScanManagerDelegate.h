#pragma once

#include <string>

#include "core/junk/CleanBaseItem.h"
#include "core/junk/CleanBaseModel.h"
#include "core/junk/JunkTypes.h"

namespace orvane::junk {

// What the junk scan tells its screen. Calls come from the scan's thread (stopScanTrash from
// the thread that stopped it); screens move them to their main thread.
class TrashScanManagerDelegate {
public:
    virtual ~TrashScanManagerDelegate() = default;
    virtual void startScanTrash() {}
    virtual void pauseScanTrash() {}
    virtual void resumeScanTrash() {}
    virtual void scanGetSupportApp(const CleanBaseModelPtr&) {}
    virtual void stopScanTrash() {}
    // One item found; progress is the overall fraction 0...1.
    virtual void scanTrashFetchData(const CleanBaseModelPtr&, const CleanBaseItemPtr&, double) {}
    virtual void scanTrashFetchError(const CleanBaseModelPtr&, const std::string&, ScanStageType) {}
    // The overall fraction, also between items (a kind finished, a long rule moved on).
    virtual void scanTrashProgress(double) {}
    virtual void scanTrashCompleted() {}
    virtual void scanTrashCancel() {}
};

}  // namespace orvane::junk
