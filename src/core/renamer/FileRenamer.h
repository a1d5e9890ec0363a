#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/renamer/FileItem.h"
#include "core/renamer/FileRenamerDelegate.h"
#include "core/renamer/ParserRouter.h"
#include "core/renamer/PerferenceSetting.h"
#include "core/renamer/RenameOnDisk.h"

namespace orvane::renamer {

// Asks the naming service for one file after another: only one request is in flight, and each
// answer starts the next request. Extraction and the request run on a background thread; the
// entries are touched and the delegate is told only on the main thread (kit::MainQueue).
class FileRenamer : public std::enable_shared_from_this<FileRenamer> {
public:
    static std::shared_ptr<FileRenamer> create();

    std::weak_ptr<FileRenamerDelegate> delegate;
    std::vector<FileItem> items;
    PerferenceSetting perferenceSetting = PerferenceSetting::content;
    std::string perferenceLang = "en";
    std::string serviceURL;
    long timeoutSeconds = 60;
    std::atomic<bool> isRunning{false};
    std::atomic<bool> isContinue{false};

    // Every entry not yet named or failed, in order.
    void renameAll();
    // One failed (or idle) entry on its own.
    void retry(std::size_t index);
    // The request in flight finishes; no further one is sent.
    void stop();
    void renameFilesSequentially(std::size_t index, bool isRenamingAll);

    // Applies the suggested names of the successful entries on a background thread and reports
    // on the main thread; the entries' paths follow their files.
    void applyFileRenames(RenameJournal& journal, std::function<void(const RenameOutcome&)> done);

private:
    FileRenamer() = default;
    void finish();
    ParserRouter router_;
};

}  // namespace orvane::renamer
