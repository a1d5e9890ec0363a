#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/apps/AppManager.h"
#include "kit/MainQueue.h"

namespace orvane::apps::testing {

// Runs one whole pass and returns once it has ended.
inline void scanNow(AppManager& manager) {
    manager.scanApp();
    manager.waitUntilScanFinished();
}

inline AppModelPtr appWithId(const std::vector<AppModelPtr>& list, const std::string& id) {
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const AppModelPtr& a) { return a->bundleID == id; });
    return it == list.end() ? nullptr : *it;
}

// The paths of one of an app's lists, in order.
inline std::vector<std::string> paths(const std::vector<AppFilePtr>& files) {
    std::vector<std::string> out;
    for (const AppFilePtr& f : files) out.push_back(f->url);
    return out;
}

// Records what the manager reports, in arrival order, on the main loop of the test.
class RecordingDelegate : public AppManagerDelegate {
public:
    std::vector<std::string> calls;
    std::vector<std::pair<int, int>> progress;
    std::vector<AppModelPtr> finishedApps;
    bool finished = false;
    std::size_t finishedCount = 0;
    std::function<void(AppManager&, int)> onProgress;

    void appManagerDidStartScan(AppManager&) override { calls.push_back("start"); }
    void appManagerDidUpdateProgress(AppManager& m, int done, int total) override {
        calls.push_back("progress");
        progress.emplace_back(done, total);
        if (onProgress) onProgress(m, done);
    }
    void appManagerDidFinishScanningApp(AppManager&, const AppModelPtr& app) override {
        calls.push_back("app " + app->bundleID);
    }
    void appManagerDidFinishScan(AppManager&, const std::vector<AppModelPtr>& apps) override {
        calls.push_back("finish");
        finished = true;
        finishedCount = apps.size();
    }
};

}  // namespace orvane::apps::testing
