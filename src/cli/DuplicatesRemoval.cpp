#include "cli/DuplicatesRemoval.h"

#include "cli/RunEvents.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <vector>

#include "cli/Commands.h"
#include "core/duplicates/DuplicateSelection.h"
#include "core/duplicates/ScanManager.h"
#include "kit/SizeFormat.h"

namespace orvane::cli {

namespace {

using files::RemoveType;

volatile sig_atomic_t gStop = 0;
void onStop(int) { gStop = 1; }

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

const char* verb(const RemoveType& type, bool dryRun) {
    switch (type.kind) {
        case RemoveType::Kind::trash: return dryRun ? "would trash" : "trashed";
        case RemoveType::Kind::forever: return dryRun ? "would delete" : "deleted";
        case RemoveType::Kind::folder: return dryRun ? "would move" : "moved";
    }
    return "";
}

std::string where(const RemoveType& type) {
    switch (type.kind) {
        case RemoveType::Kind::trash: return " to the Trash";
        case RemoveType::Kind::forever: return " for good";
        case RemoveType::Kind::folder: return " to " + type.path;
    }
    return {};
}

}  // namespace

int removeAutoSelected(const std::shared_ptr<duplicates::ScanManager>& manager,
                       const RemoveType& type, bool dryRun, RunEvents* events) {
    std::vector<files::DuplicateFilesPtr> groups = manager->totalFiles;
    duplicates::DuplicateSelection::autoSelect(groups);

    // The records outlive the run (removed files leave their groups), so each line can be
    // printed from its file's own outcome afterwards.
    std::vector<std::shared_ptr<files::FileInfo>> chosen;
    std::uint64_t chosenBytes = 0;
    for (const auto& g : groups)
        for (const auto& f : g->infos())
            if (f->selected) {
                chosen.push_back(f);
                chosenBytes += f->size();
            }

    if (dryRun) {
        for (const auto& f : chosen) std::printf("%s %s\n", verb(type, true), f->path().c_str());
        std::printf("%zu files, %s, would be removed%s; nothing was touched.\n", chosen.size(),
                    kit::transformedFileSize(chosenBytes).c_str(), where(type).c_str());
        return kExitOk;
    }
    if (chosen.empty()) {
        std::printf("Nothing to remove.\n");
        return kExitOk;
    }

    auto observer = std::make_shared<RemovalObserver>();
    manager->delegate = observer;
    struct sigaction sa {};
    sa.sa_handler = onStop;
    sa.sa_flags = SA_RESETHAND;
    sigemptyset(&sa.sa_mask);
    struct sigaction previous {};
    ::sigaction(SIGINT, &sa, &previous);
    gStop = 0;

    if (events) events->removeStarted(chosen.size(), chosenBytes);
    manager->removeDuplicateFiles(groups, type);
    bool stopped = false;
    const bool showProgress = ::isatty(STDERR_FILENO);
    while (!observer->waitFor(std::chrono::milliseconds(100))) {
        if (gStop && !stopped) {
            stopped = true;
            manager->removeStop = true;
        }
        if (showProgress)
            std::fprintf(stderr, "\rRemoving… %3.0f%%", observer->progress.load() * 100);
    }
    if (showProgress) std::fprintf(stderr, "\r%20s\r", "");
    ::sigaction(SIGINT, &previous, nullptr);

    if (const std::string refusal = observer->refusal(); !refusal.empty()) {
        if (events) events->removeEnded(0, 0, 0);
        std::fprintf(stderr, "orvane duplicates: %s\n", refusal.c_str());
        return kExitFailure;
    }
    std::size_t failed = 0, left = 0;
    for (const auto& f : chosen) {
        if (f->deleted) {
            std::printf("%s %s\n", verb(type, false), f->path().c_str());
        } else if (f->removeError) {
            ++failed;
            std::printf("failed %s: %s\n", f->path().c_str(), f->removeError->description.c_str());
        } else {
            ++left;
            std::printf("left %s\n", f->path().c_str());
        }
    }
    if (events)
        events->removeEnded(static_cast<std::size_t>(manager->succeedRemoveCount), failed,
                            static_cast<std::uint64_t>(manager->succeedRemoveSize));
    std::printf("Removed %lld files (%s)%s; %zu failed; %zu left in place.\n",
                static_cast<long long>(manager->succeedRemoveCount),
                kit::transformedFileSize(manager->succeedRemoveSize).c_str(), where(type).c_str(),
                failed, left);
    if (stopped) return kExitInterrupted;
    return failed ? kExitFailure : kExitOk;
}

}  // namespace orvane::cli
