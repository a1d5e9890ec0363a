#include "cli/DuplicatesRemoval.h"

#include "cli/RunEvents.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <vector>

#include "cli/Commands.h"
#include "cli/RemovalReport.h"
#include "cli/ScanOptions.h"
#include "core/duplicates/DuplicateSelection.h"
#include "core/duplicates/ScanManager.h"

namespace orvane::cli {

namespace {

using files::RemoveType;

// Waits for the end of a removal run, whichever way it ends.
class RemovalObserver final : public files::ScanManagerProtocol {
public:
    void removeFinished() override { finish({}); }
    void cleanProgress(double value, std::int64_t) override { progress = value; }
    void removeRefused(const std::string& message) override { finish(message); }
    void confirmForceRemove(const std::string& volume, std::function<void(bool)> answer) override {
        // Nobody can be asked here; deleting for good was not what the command asked for.
        std::fprintf(stderr,
                     "orvane duplicates: not enough room on %s; copies that do not fit are left "
                     "in place\n",
                     volume.c_str());
        answer(false);
    }

    // True when the run ended; `refusal` holds the reason when nothing was done.
    bool waitFor(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return done_.wait_for(lock, timeout, [this] { return finished_; });
    }
    std::atomic<double> progress{0};

    std::string refusal() {
        std::lock_guard lock(mutex_);
        return refusal_;
    }

private:
    void finish(std::string refusal) {
        std::lock_guard lock(mutex_);
        finished_ = true;
        refusal_ = std::move(refusal);
        done_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::string refusal_;
};

}  // namespace

int removeAutoSelected(const std::shared_ptr<duplicates::ScanManager>& manager,
                       duplicates::KeepRule keep, const RemoveType& type, bool dryRun,
                       RunEvents* events) {
    std::vector<files::DuplicateFilesPtr> groups = manager->totalFiles;
    duplicates::DuplicateSelection::selectKeeping(groups, keep);

    // The records outlive the run (removed files leave their groups), so each line can be
    // printed from its file's own outcome afterwards.
    RemovalReport::Files chosen;
    std::uint64_t chosenBytes = 0;
    for (const auto& g : groups)
        for (const auto& f : g->infos())
            if (f->selected) {
                chosen.push_back(f);
                chosenBytes += f->size();
            }

    if (dryRun) {
        RemovalReport::printPlan(type, chosen);
        return kExitOk;
    }
    if (chosen.empty()) {
        std::printf("Nothing to remove.\n");
        return kExitOk;
    }

    auto observer = std::make_shared<RemovalObserver>();
    manager->delegate = observer;
    bool stopped = false;
    {
        InterruptWatch interrupt;
        if (events) events->removeStarted(chosen.size(), chosenBytes);
        manager->removeDuplicateFiles(groups, type);
        const bool showProgress = ::isatty(STDERR_FILENO);
        while (!observer->waitFor(std::chrono::milliseconds(100))) {
            if (InterruptWatch::interrupted() && !stopped) {
                stopped = true;
                manager->removeStop = true;
            }
            if (showProgress)
                std::fprintf(stderr, "\rRemoving… %3.0f%%", observer->progress.load() * 100);
        }
        if (showProgress) std::fprintf(stderr, "\r%20s\r", "");
    }

    if (const std::string refusal = observer->refusal(); !refusal.empty()) {
        if (events) events->removeEnded(0, 0, 0);
        std::fprintf(stderr, "orvane duplicates: %s\n", refusal.c_str());
        return kExitFailure;
    }
    const std::size_t failed = RemovalReport::printOutcome(type, chosen);
    if (events)
        events->removeEnded(static_cast<std::size_t>(manager->succeedRemoveCount), failed,
                            static_cast<std::uint64_t>(manager->succeedRemoveSize));
    if (stopped) return kExitInterrupted;
    return failed ? kExitFailure : kExitOk;
}

}  // namespace orvane::cli
