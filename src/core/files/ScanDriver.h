#pragma once

#include <array>
#include <cstdint>

#include "core/files/SkippedEntries.h"

namespace orvane::files {

// What a scan has found so far. A driver keeps its snapshot up to date as it files results, so
// the screens and the command line read it from any thread without touching the driver's
// queues.
struct ScanTotals {
    std::int64_t count = 0;  // items found
    std::uint64_t size = 0;  // bytes they hold
    // The same bytes by kind, indexed by FileType (video, audio, picture, document, other).
    std::array<std::uint64_t, 5> sizeByKind{};
};

// The contract every module's driver keeps with its screens and the command line.
//
// - startScanning() returns at once; the scan runs on the driver's own thread or queues. The
//   module's observer (ScanManagerProtocol for files) hears the start, progress, and always last
//   the end, also after a stop. A stop never carries over to the next scan.
// - Observer calls arrive on the driver's threads. A screen moves them to the main thread with
//   the one helper the desktop program has for it (app/shell/MainThread.h); nothing else in a
//   screen posts to the driver's queues.
// - scanProgress(value) is the fraction of the scan done, 0..1. A driver that cannot know its
//   whole reports what it has found through scanFound(count) instead, never as progress.
// - Counts and sizes for the screens come from scanTotals().
class ScanDriver {
public:
    virtual ~ScanDriver() = default;

    // Starts a scan of the driver's roots and returns at once.
    virtual void startScanning() = 0;
    // Asks the running scan to end soon; what it found so far stays, and scanFinished() follows.
    virtual void stopScanning() = 0;
    // Blocks until the running scan (if any) has sent scanFinished(). Not for the main thread of
    // a screen, which waits for the observer call instead; for the command line, tests and
    // shutdown.
    virtual void waitUntilScanFinished() = 0;
    // Stops the scan and any removal after the item in hand and blocks until both have ended:
    // what a screen calls when it goes away or the program quits.
    virtual void stopAndWait() = 0;
    // The totals of the results as they stand.
    virtual ScanTotals scanTotals() const = 0;
    // What the last scan passed over without looking inside; final once scanFinished() was sent.
    virtual SkippedEntries skippedEntries() const { return {}; }
};

}  // namespace orvane::files
