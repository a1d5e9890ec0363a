#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace orvane::files {

// What every module's driver tells the screen watching it. Calls arrive on
// background threads unless stated; observers move them to the main thread for drawing. Every
// method has an empty default so an observer implements only what it shows.
class ScanManagerProtocol {
public:
    virtual ~ScanManagerProtocol() = default;

    virtual void startScan() {}
    virtual void stopScan() {}
    // Always the last call of a scan, also after stopScan(); results may be read from then on.
    virtual void scanFinished() {}
    // The file about to be read for comparison.
    virtual void scaningPath(const std::string& /*path*/) {}
    // Fraction of the scan done, 0..1 (see ScanDriver.h).
    virtual void scanProgress(double /*value*/) {}
    // How many items a scan that cannot know its whole has found so far.
    virtual void scanFound(std::int64_t /*count*/) {}

    virtual void startRemove() {}
    virtual void stopRemove() {}
    virtual void removeFinished() {}
    virtual void cleanProgress(double /*value*/, std::int64_t /*count*/) {}
    // A removal run refused before touching anything (destination gone, no room for the
    // copies); the message is for the user. No other removal call follows.
    virtual void removeRefused(const std::string& /*message*/) {}
    // Some items do not fit on `volumeName`: may the rest of this run delete for good instead?
    // The answer may come later and from any thread; until then no further group starts.
    virtual void confirmForceRemove(const std::string& /*volumeName*/,
                                    std::function<void(bool)> answer) {
        answer(false);
    }
};

}  // namespace orvane::files
