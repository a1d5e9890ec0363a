#include "core/photos/ScanImagesOutcome.h"

#include <cerrno>
#include <cstring>

#include "engine/SimilarImageEngine.h"
#include "kit/Localization.h"

namespace orvane::photos {

namespace {

constexpr const char* kTryAgain = "Please scan again; if it keeps failing, restart Orvane.";

std::string withAdvice(std::string_view what, std::string_view advice) {
    return kit::localized(what) + " " + kit::localized(advice);
}

// A chosen folder the engine refused. It does not name the folder; the manager found the one
// the system refuses too, when there still is one.
std::string refusedFolder(const ScanImagesOutcome& o, const std::string& shown) {
    if (o.failedRoot.empty())
        return kit::localized(o.result == kImageEnginePathNotDirectory
                                  ? "One of the chosen items is not a folder. Choose folders "
                                    "only, then scan again."
                                  : "One of the chosen folders no longer exists. Choose the "
                                    "folders again and start a new scan.");
    switch (o.failedRootError) {
        case 0:
            return kit::formatLocalized(
                "“%@” is not a folder, so it cannot be scanned. Choose the folder that holds it "
                "instead.",
                {shown});
        case ENOENT:
        case ENOTDIR:
            return kit::formatLocalized(
                "The folder “%@” no longer exists. If it was moved or renamed, choose it again "
                "where it is now.",
                {shown});
        case EACCES:
        case EPERM:
            return kit::formatLocalized(
                "Orvane is not allowed to reach the folder “%@”. Make sure you may open every "
                "folder above it, then scan again.",
                {shown});
        default:
            return kit::formatLocalized(
                "The folder “%@” cannot be reached (%@). Check that the disk it is on is "
                "connected, then scan again.",
                {shown, std::strerror(o.failedRootError)});
    }
}

}  // namespace

std::string scanFailureText(const ScanImagesOutcome& o, const std::string& shown) {
    if (!o.failed) return {};
    if (o.engineBusy)
        return kit::localized(
            "Another photo scan is still running, so this one could not start. Wait until it "
            "has finished, then scan again.");
    switch (o.result) {
        case kImageEngineParamInvalid:
            return kit::localized(
                "The photo scan could not start because its settings were refused. Check the "
                "Similar Photos preferences, then scan again.");
        case kImageEnginePathNotExist:
        case kImageEnginePathNotDirectory: return refusedFolder(o, shown);
        case kImageEngineCreateDirectoryFailed:
            return kit::localized(
                "The photo scan could not create a folder it needs. Make sure the disk has free "
                "space and your home folder can be written to, then scan again.");
        case kImageEngineInitLogFailed:
            return kit::localized(
                "The photo scan could not open its log file. Make sure the disk has free space "
                "and your home folder can be written to, then scan again.");
        case kImageEngineInitProgressFailed:
            return withAdvice("The photo scan could not set up its progress reporting.", kTryAgain);
        case kImageEngineInitThreadPoolFailed:
            return kit::localized(
                "The photo scan could not start its worker threads; the system is probably "
                "short of memory. Close some programs, then scan again.");
        case kImageEngineComputeHashFailed:
            return withAdvice(
                "The photo scan could not work out what the pictures look like, so it could not "
                "compare them.",
                kTryAgain);
        case kImageEngineCrashed:
            return withAdvice("The photo scan stopped because of an unexpected error.", kTryAgain);
        case kImageEngineReadImageFailed:
            return kit::localized(
                "The photo scan could not read a picture and had to stop. Check that the disk "
                "holding the chosen folders is still connected, then scan again.");
        case kImageEngineSaveImageFailed:
            return kit::localized(
                "The photo scan could not save its working data. Make sure the disk has free "
                "space, then scan again.");
        default:
            return kit::formatLocalized(
                "The photo scan failed for a reason Orvane does not know (code %@). Please scan "
                "again; if it keeps failing, restart Orvane.",
                {std::to_string(o.result)});
    }
}

}  // namespace orvane::photos
