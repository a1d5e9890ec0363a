#pragma once

#include <gtest/gtest.h>

#include "core/files/ScanDriver.h"

namespace orvane::testing {

// Holds a module's driver to the contract the screens and the program's shutdown rely on, on a
// tree where a full scan finds something: a scan started and waited for reports its finds in
// the totals; a stop (asked before, during or after a scan) never sticks to the next scan; and
// stopping and waiting, idle or busy, always returns.
inline void expectDriverContract(files::ScanDriver& driver) {
    driver.startScanning();
    driver.waitUntilScanFinished();
    const files::ScanTotals found = driver.scanTotals();
    ASSERT_GT(found.count, 0) << "the fixture must give the scan something to find";
    EXPECT_GT(found.size, 0u);

    driver.stopScanning();  // nothing runs: no effect on what follows
    driver.startScanning();
    driver.waitUntilScanFinished();
    EXPECT_EQ(driver.scanTotals().count, found.count);
    EXPECT_EQ(driver.scanTotals().size, found.size);

    driver.startScanning();
    driver.stopAndWait();  // wherever the scan was, it has ended now
    driver.stopAndWait();  // and again, with nothing left to stop

    driver.startScanning();
    driver.waitUntilScanFinished();
    EXPECT_EQ(driver.scanTotals().count, found.count) << "a stop carried over to the next scan";
    EXPECT_EQ(driver.scanTotals().size, found.size);
}

}  // namespace orvane::testing
