#pragma once

#include <string>

#include "core/photos/ScanImagesGroupItem.h"
#include "core/photos/ScanImagesOutcome.h"

namespace orvane::photos {

class ScanImagesManager;

// What the photo driver tells the screen watching a scan. Calls arrive on the engine's or the
// scan's thread; observers move them to the main thread. Every method has an empty default.
class ScanImagesManagerProtocol {
public:
    virtual ~ScanImagesManagerProtocol() = default;

    // Just before the engine starts.
    virtual void scanImageManagerDidStart(ScanImagesManager&) {}
    // ratio 0..1; total: images examined so far; path: the image being examined.
    virtual void progressDidChanged(ScanImagesManager&, double /*ratio*/, long long /*total*/,
                                    const std::string& /*path*/) {}
    // A snapshot of the results, at most every two seconds while groups arrive.
    virtual void scanData(ScanImagesManager&, const ScanImagesGroups& /*groups*/) {}
    // state 1: the results are final and sorted.
    virtual void scanDidFinished(ScanImagesManager&, int /*state*/) {}
    // state 3: stopped; the results found so far are sorted.
    virtual void scanDidStop(ScanImagesManager&, int /*state*/) {}
    // Always last, once for every scan, after the engine has returned (also when it failed
    // without a report, or when a stop came before it started). The scan no longer counts as
    // running.
    virtual void scanDidEnd(ScanImagesManager&, const ScanImagesOutcome& /*outcome*/) {}
};

// What the driver tells the screen watching a removal run, from the run's thread.
class ScanImagesRemoveProtocol {
public:
    virtual ~ScanImagesRemoveProtocol() = default;

    virtual void removeManagerDidStart(ScanImagesManager&) {}
    // Images removed so far ÷ images selected.
    virtual void progressDidChange(ScanImagesManager&, double /*fraction*/) {}
    virtual void removeManagerDidStop(ScanImagesManager&) {}
    virtual void removeMangerDidFinish(ScanImagesManager&) {}
};

}  // namespace orvane::photos
