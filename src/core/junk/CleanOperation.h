#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/junk/CleanBaseModel.h"
#include "core/junk/CleanPreference.h"
#include "kit/Operation.h"
#include "platform/Layout.h"

namespace orvane::files {
class FileRemover;
}

namespace orvane::junk {

class AuthoredHelper;

// What every cleaning operation of one run shares: how items are removed, who removes what the
// user may not, and the places that decide which those are.
struct CleanContext {
    const orvane::files::FileRemover* remover = nullptr;
    AuthoredHelper* authoredHelper = nullptr;
    platform::Layout layout;
    // Folders that are never removed as a whole, whatever a rule found: the home, the user's
    // and the system's well-known folders, the protected locations themselves.
    std::vector<std::string> neverRemoved;

    static std::vector<std::string> wellKnownPlaces(const platform::Layout& layout);
};

// Deletes the selected items of one kind of junk, one by one, outright (cleaning never uses the
// Trash), counting successes and failures on the model and recording each failure's reason on
// its item. Cancelling lets the current item finish.
class CleanOperation final : public kit::Operation {
public:
    CleanOperation(CleanBaseModelPtr model, std::shared_ptr<CleanPreference> setting,
                   std::shared_ptr<const CleanContext> context);

    const CleanBaseModelPtr model;
    const std::shared_ptr<CleanPreference> setting;

    bool isPaused = false;
    bool isRunning = true;
    std::mutex pauseLock;

    std::function<void(const CleanBaseItemPtr&, std::int64_t, bool, CleanStageType)>
        removeInfoBlock;
    std::function<void()> removePuaseBlock;
    std::function<void()> removeSuspendBlock;
    std::function<void(CleanStageType)> removeStartBlock;
    std::function<void(CleanStageType)> removeFinishBlock;

    void pause();
    void resume();
    // Cancels and wakes a paused operation so that it ends.
    void stop();

    static CleanStageType stageFor(std::uint32_t junkType);

    // Removes one item; true when it is gone (or already was). The reason of a failure is left in
    // the item's removeError.
    bool removeItem(CleanBaseItem& item) const;

protected:
    void main() override;

private:
    bool fail(CleanBaseItem& item, int code, std::string description) const;
    std::shared_ptr<const CleanContext> context_;
    std::condition_variable pauseCondition_;
};

using CleanOperationPtr = std::shared_ptr<CleanOperation>;

}  // namespace orvane::junk
