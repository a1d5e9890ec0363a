#pragma once

#include <string>
#include <vector>

namespace orvane::photos {

// How a photo scan ended, told to the observer once the engine has returned: everything a
// screen needs to pick between the results, the empty page and a failure message.
struct ScanImagesOutcome {
    int result = 0;          // the engine's result code (0 done, 9 stopped, any other a failure)
    std::string resultText;  // its text from the engine's table: "Path not exist", ...
    bool stopped = false;    // ended by a stop; what was found so far stays
    bool failed = false;     // the engine could not do the scan; what was found so far stays
    long long found = 0;     // similar images found
    // Chosen folders that exist but could not be opened: nothing below them was looked at.
    std::vector<std::string> unreadableRoots;
};

}  // namespace orvane::photos
