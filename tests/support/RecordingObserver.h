#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "core/files/ScanManagerProtocol.h"

namespace orvane::testing {

// Records what a driver tells its observer, from whichever thread it calls, for every module's
// tests. Scan calls and removal calls are kept apart ("start", "stop", "finished", and
// "refused" for a removal), in the order they came.
class RecordingObserver : public files::ScanManagerProtocol {
public:
    void startScan() override {
        ++scanStarts;
        noteScan("start");
        if (onStartScan) onStartScan();
    }
    void stopScan() override { noteScan("stop"); }
    void scanFinished() override {
        ++scanFinishes;
        noteScan("finished");
    }
    void scaningPath(const std::string& path) override {
        std::lock_guard lock(mutex_);
        paths_.push_back(path);
    }
    void scanProgress(double value) override {
        std::lock_guard lock(mutex_);
        progress_.push_back(value);
    }
    void scanFound(std::int64_t count) override {
        std::lock_guard lock(mutex_);
        found_.push_back(count);
    }

    void startRemove() override {
        ++removeStarts;
        noteRemove("start");
        if (onStartRemove) onStartRemove();
    }
    void stopRemove() override { noteRemove("stop"); }
    void removeFinished() override { noteRemove("finished", true); }
    void cleanProgress(double value, std::int64_t count) override {
        lastCleanCount = count;
        std::lock_guard lock(mutex_);
        cleanProgress_.emplace_back(value, count);
    }
    void removeRefused(const std::string& message) override {
        {
            std::lock_guard lock(mutex_);
            refusal_ = message;
        }
        noteRemove("refused", true);
    }
    void confirmForceRemove(const std::string&, std::function<void(bool)> answer) override {
        answer(forceRemoveAnswer);
    }

    std::vector<std::string> scanCalls() const { return copy(scanCalls_); }
    std::vector<std::string> removeCalls() const { return copy(removeCalls_); }
    std::vector<std::string> paths() const { return copy(paths_); }
    std::vector<double> progress() const { return copy(progress_); }
    std::vector<std::int64_t> found() const { return copy(found_); }
    std::vector<std::pair<double, std::int64_t>> cleanProgressValues() const {
        return copy(cleanProgress_);
    }
    std::string refusal() const { return copy(refusal_); }

    // True once a removal has ended, finished or refused.
    bool removalEnded() const { return removalEnded_.load(); }
    // Forgets that a removal ended, before the next one.
    void resetRemovalEnded() { removalEnded_ = false; }
    // Blocks until a removal has ended; false when it did not within the time.
    bool waitForRemovalEnd(std::chrono::seconds timeout = std::chrono::seconds(20)) {
        std::unique_lock lock(mutex_);
        return ended_.wait_for(lock, timeout, [this] { return removalEnded_.load(); });
    }

    std::atomic<int> scanStarts{0}, scanFinishes{0}, removeStarts{0};
    std::atomic<std::int64_t> lastCleanCount{0};
    // Run on the driver's thread right after the start was recorded (to stop at once, say).
    std::function<void()> onStartScan, onStartRemove;
    // What confirmForceRemove answers: may files that do not fit be deleted for good?
    bool forceRemoveAnswer = false;

private:
    template <class T>
    T copy(const T& value) const {
        std::lock_guard lock(mutex_);
        return value;
    }
    void noteScan(const char* what) {
        std::lock_guard lock(mutex_);
        scanCalls_.push_back(what);
    }
    void noteRemove(const char* what, bool ends = false) {
        {
            std::lock_guard lock(mutex_);
            removeCalls_.push_back(what);
            if (ends) removalEnded_ = true;
        }
        if (ends) ended_.notify_all();
    }

    mutable std::mutex mutex_;
    std::condition_variable ended_;
    std::atomic<bool> removalEnded_{false};
    std::vector<std::string> scanCalls_, removeCalls_, paths_;
    std::vector<double> progress_;
    std::vector<std::int64_t> found_;
    std::vector<std::pair<double, std::int64_t>> cleanProgress_;
    std::string refusal_;
};

}  // namespace orvane::testing
