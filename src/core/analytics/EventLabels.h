#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Label texts of usage events. The numbers are written without the user's locale so that a run
// recorded under one language reads back the same under another.
namespace orvane::analytics::labels {

using Labels = std::vector<std::string>;

// Seconds with two decimals followed by 秒: "12.30秒".
std::string elapsedTime(double seconds);
// Decimal megabytes (1,000,000 bytes) with two decimals: "1.50MB".
std::string megabytes(std::uint64_t bytes);
// "Confirm" for the confirming button of a sheet, "Cancel" for any other answer.
std::string confirmation(bool confirmed);
// "Cancel" when the user stopped the task, else "Finish".
std::string outcome(bool cancelled);
// The app manager's scanned size: "0KB" for nothing, else the file-style byte count.
std::string scannedSize(std::uint64_t bytes);

// The lists every removing module sends, so the history reads all of them the same way.
// RemoveStart: [selected count, selected size in MB].
Labels removeStart(std::size_t selectedCount, std::uint64_t selectedBytes);
// RemoveEnd: [removed count, failed count, removed size in MB, elapsed time].
Labels removeEnd(std::size_t removedCount, std::size_t failedCount, std::uint64_t removedBytes,
                 double seconds);
// ScanEnd of the duplicate and similar-photo scans: [elapsed time, size in MB, outcome].
Labels scanEnd(double seconds, std::uint64_t bytes, bool cancelled);
// StartScan of the multi-target screen: every tile's path in grid order joined with "," (the
// add tile takes part with its empty path), then the number of tiles that hold a path.
Labels startScanTiles(const std::vector<std::string>& tilePaths);

// Parses a label written by megabytes() back to bytes; nothing for any other text.
bool parseMegabytes(std::string_view label, std::uint64_t& bytes);
// Parses a label that is a plain decimal count.
bool parseCount(std::string_view label, std::uint64_t& count);
// Parses a label written by elapsedTime().
bool parseElapsedTime(std::string_view label, double& seconds);

}  // namespace orvane::analytics::labels
