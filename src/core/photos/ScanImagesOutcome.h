#pragma once

#include <string>
#include <vector>

namespace orvane::photos {

// How a photo scan ended, told to the observer once the engine has returned: everything a
// screen needs to pick between the results, the empty page and a failure message.
struct ScanImagesOutcome {
    int result = 0;          // the engine's result code (0 done, 9 stopped, any other a failure)
    std::string resultText;  // its text from the engine's table ("Path not exist", ...), for logs
    bool stopped = false;    // ended by a stop; what was found so far stays
    bool failed = false;     // the engine could not do the scan; what was found so far stays
    // The engine was busy with another scan of this program, so this one never started.
    bool engineBusy = false;
    long long found = 0;  // similar images found
    // Chosen folders that exist but could not be opened: nothing below them was looked at.
    std::vector<std::string> unreadableRoots;
    // When the engine refused a chosen folder (gone, not reachable, not a folder): which one,
    // and the error the system gave for it (0 when it is there but is not a folder).
    std::string failedRoot;
    int failedRootError = 0;
};

// The failure told in a sentence for the user: what happened and what to do about it. `shown`
// is the failed folder as the caller displays it (a label and a terminal escape names
// differently). Empty when the scan did not fail.
std::string scanFailureText(const ScanImagesOutcome& outcome, const std::string& shown);

}  // namespace orvane::photos
