#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/photos/ScanImagesManager.h"
#include "core/settings/PlistValue.h"
#include "support/PhotoScenes.h"
#include "support/TempTree.h"

namespace orvane::photos::testing {

// Records what a scan told its observer.
struct RecordingObserver : ScanImagesManagerProtocol {
    std::mutex mutex;
    int started = 0, finished = 0, stopped = 0;
    std::vector<double> ratios;
    std::vector<std::size_t> batches;
    std::function<void(ScanImagesManager&)> onProgress;

    void scanImageManagerDidStart(ScanImagesManager&) override { ++started; }
    void progressDidChanged(ScanImagesManager& m, double ratio, long long,
                            const std::string&) override {
        {
            std::lock_guard lock(mutex);
            ratios.push_back(ratio);
        }
        if (onProgress) onProgress(m);
    }
    void scanData(ScanImagesManager&, const ScanImagesGroups& groups) override {
        std::lock_guard lock(mutex);
        batches.push_back(groups.size());
    }
    void scanDidFinished(ScanImagesManager&, int state) override {
        EXPECT_EQ(state, 1);
        ++finished;
    }
    void scanDidStop(ScanImagesManager&, int state) override {
        EXPECT_EQ(state, 3);
        ++stopped;
    }
};

class PhotoTest : public ::testing::Test {
protected:
    ScanImagesManager::Environment environment() {
        ScanImagesManager::Environment env;
        env.preferencesFile = tree.path("prefs/PreferenceInfo.plist");
        env.logDirectory = tree.dir("logs");
        env.homeDirectory = home.home();
        env.layout = platform::Layout::linuxLayout();
        return env;
    }

    void writePreferences(const settings::Dictionary& d) {
        tree.file("prefs/PreferenceInfo.plist", settings::toXmlPlist(d));
    }

    // A picture and a resized copy; returns their paths.
    std::pair<std::string, std::string> photoPair(const std::string& a, const std::string& b,
                                                  std::uint64_t seed) {
        cv::RNG rng(seed);
        const cv::Mat img = orvane::testing::scene(rng, 480, 360);
        tree.file(a, orvane::testing::jpegBytes(img));
        tree.file(b, orvane::testing::jpegBytes(orvane::testing::resized(img, 0.5), 75));
        return {tree.path(a), tree.path(b)};
    }

    orvane::testing::TempTree tree;
    orvane::testing::ScopedHome home{tree};
};

}  // namespace orvane::photos::testing
