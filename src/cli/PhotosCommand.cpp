// `orvane photos`: groups of similar pictures below the given folders, as text or JSON, and the
// removal of the automatically selected ones.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/Commands.h"
#include "cli/DuplicatesRemoval.h"
#include "cli/OutputPath.h"
#include "cli/ScanOptions.h"
#include "core/photos/PhotoSelection.h"
#include "core/photos/ScanImagesManager.h"
#include "engine/SimilarImageEngine.h"
#include "kit/JsonText.h"
#include "kit/Paths.h"
#include "kit/SizeFormat.h"

namespace orvane::cli {

namespace {

using photos::ScanImagesManager;

// --auto-select: new or old.
struct Options : ScanOptions {
    double threshold = -1;  // -1: the saved one
    bool strict = false;    // exit 1 when a chosen folder could not be opened
};

class Progress final : public photos::ScanImagesManagerProtocol {
public:
    void progressDidChanged(ScanImagesManager&, double r, long long n,
                            const std::string& p) override {
        std::lock_guard lock(mutex);
        ratio = r;
        total = n;
        path = p;
    }
    std::string line() {
        std::lock_guard lock(mutex);
        char pct[16];
        std::snprintf(pct, sizeof pct, "%3.0f%% ", ratio * 100);
        return std::string("Examining ") + pct + std::to_string(total) + " images ";
    }
    std::string currentPath() {
        std::lock_guard lock(mutex);
        return path;
    }
    // The driver's last word on the scan, always its last call.
    void scanDidEnd(ScanImagesManager&, const photos::ScanImagesOutcome& o) override {
        std::lock_guard lock(mutex);
        outcome_ = o;
    }
    std::optional<photos::ScanImagesOutcome> outcome() {
        std::lock_guard lock(mutex);
        return outcome_;
    }

private:
    std::mutex mutex;
    double ratio = 0;
    long long total = 0;
    std::string path;
    std::optional<photos::ScanImagesOutcome> outcome_;
};

void printResults(const photos::ScanImagesGroups& groups, bool json) {
    std::string out;
    if (json) {
        out += "{\"groups\":[";
        for (std::size_t g = 0; g < groups.size(); ++g) {
            const auto& group = *groups[g];
            if (g) out.push_back(',');
            out += "{\"name\":";
            kit::appendJsonString(out, group.groupName);
            out += ",\"size\":" + std::to_string(group.groupSize) + ",\"source\":";
            kit::appendJsonString(out, group.sourceImagePath);
            out += ",\"files\":[";
            for (std::size_t i = 0; i < group.dupImageItems.size(); ++i) {
                const auto& item = *group.dupImageItems[i];
                if (i) out.push_back(',');
                out += "{\"path\":";
                kit::appendJsonString(out, item.imagePath);
                out += ",\"size\":" + std::to_string(item.imageSize) + ",\"dimension\":";
                if (item.dimension) kit::appendJsonString(out, *item.dimension);
                else out += "null";
                out += ",\"modified\":";
                if (item.modifiedDate) kit::appendJsonString(out, item.modifiedDateStr);
                else out += "null";
                out += "}";
            }
            out += "]}";
        }
        out += "]}\n";
    } else if (groups.empty()) {
        out = "No similar photos found.\n";
    } else {
        for (std::size_t g = 0; g < groups.size(); ++g) {
            const auto& group = *groups[g];
            if (g) out.push_back('\n');
            out += group.groupName + ": " + std::to_string(group.dupImageItems.size()) +
                   " images, " +
                   kit::transformedFileSize(
                       static_cast<std::uint64_t>(std::max<std::int64_t>(group.groupSize, 0))) +
                   "\n";
            for (const auto& item : group.dupImageItems) {
                out += outputPath(item->imagePath);
                out += "\t" + std::to_string(item->imageSize) + "\t" +
                       item->dimension.value_or("-") + "\t" +
                       (item->modifiedDate ? item->modifiedDateStr : std::string("-")) + "\n";
            }
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

int removeSelected(ScanImagesManager& manager, photos::ScanImagesGroups groups,
                   const files::RemoveType& type, bool dryRun) {
    std::vector<photos::ScanImagesItemPtr> chosen;
    for (const auto& g : groups)
        for (const auto& item : g->dupImageItems)
            if (item->isSelect) chosen.push_back(item);
    if (chosen.empty()) {
        std::printf("Nothing to remove.\n");
        return kExitOk;
    }
    std::int64_t bytes = 0;
    for (const auto& item : chosen) bytes += item->imageSize;
    if (dryRun) {
        for (const auto& item : chosen) std::printf("would remove %s\n", item->imagePath.c_str());
        std::printf("%zu images, %s would be removed\n", chosen.size(),
                    kit::transformedFileSize(static_cast<std::uint64_t>(bytes)).c_str());
        return kExitOk;
    }
    if (type.kind == files::RemoveType::Kind::folder)
        manager.setRemoveType(ScanImagesManager::moveToFolder, type.path);
    else if (type.kind == files::RemoveType::Kind::forever)
        manager.setRemoveType(ScanImagesManager::deleteForever);
    else manager.setRemoveType(ScanImagesManager::toTrash);

    // Ctrl-C stops after the picture at hand.
    std::atomic<bool> done{false};
    std::thread watcher([&] {
        while (!done) {
            if (InterruptWatch::interrupted()) manager.stopRemove();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    manager.removeDuplicatesImagesNow(groups);
    done = true;
    watcher.join();

    long long removed = 0, failed = 0;
    for (const auto& item : chosen) {
        if (item->isRemoveFailed) {
            ++failed;
            std::printf("failed %s: %s\n", item->imagePath.c_str(),
                        item->removeError.value_or("").c_str());
        } else if (!item->isSelect) {
            ++removed;
            std::printf("removed %s\n", item->imagePath.c_str());
        }
    }
    std::printf(
        "%lld images removed (%s), %lld failed\n", removed,
        kit::transformedFileSize(static_cast<std::uint64_t>(manager.removeImagesSuccessSize()))
            .c_str(),
        failed);
    if (manager.scanState() == 7) {
        std::fprintf(stderr,
                     "orvane photos: interrupted; the remaining pictures were left alone\n");
        return kExitInterrupted;
    }
    return failed ? kExitFailure : kExitOk;
}

int run(const Options& o) {
    const auto fail = [](const std::string& message) {
        std::fprintf(stderr, "orvane photos: %s\n", message.c_str());
        return kExitUsage;
    };
    if (o.threshold != -1 && (!std::isfinite(o.threshold) || o.threshold < 20 || o.threshold > 100))
        return fail("--threshold must lie between 20 (loose) and 100 (identical pictures only)");
    if (!o.autoSelect.empty() && o.autoSelect != "new" && o.autoSelect != "old")
        return fail("--auto-select takes new (keep the oldest picture) or old (keep the newest)");
    std::optional<files::RemoveType> removeType;
    if (auto error = checkRemovalOptions(o, "picture", removeType)) return fail(*error);
    std::vector<std::string> roots;
    if (auto error = scanRoots(o.paths, roots)) return fail(*error);

    auto environment = ScanImagesManager::defaultEnvironment();
    if (!o.settingsPath.empty()) environment.preferencesFile = o.settingsPath;
    if (o.threshold != -1) environment.thresholdOverride = o.threshold;
    ScanImagesManager manager(std::move(environment));
    auto progress = std::make_shared<Progress>();
    manager.setDelegate(progress);

    bool stopping = false;
    {
        InterruptWatch interrupt;
        manager.setScanRoots(roots);
        manager.startScanning();
        ProgressLine line(o.quiet);
        while (!progress->outcome()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (InterruptWatch::interrupted() && !stopping) {
                stopping = true;
                manager.stopScanning();
            }
            if (line.shown() && !progress->outcome())
                line.show(progress->line(), progress->currentPath());
        }
        manager.waitUntilScanFinished();
        line.clear();
    }
    const photos::ScanImagesOutcome outcome = *progress->outcome();

    auto groups = manager.dupImages();
    for (auto& g : groups) photos::orderGroupForDisplay(*g);
    // A failed scan found nothing to tell as "no similar photos"; JSON stays one object.
    if (o.json || !outcome.failed || !groups.empty()) printResults(groups, o.json);
    // On standard error, so that the list on standard output stays clean for scripts.
    for (const auto& root : outcome.unreadableRoots)
        std::fprintf(stderr,
                     "orvane photos: cannot open %s, so the photos in it were not compared\n",
                     outputPath(root).c_str());
    if (outcome.failed) {
        std::fprintf(stderr, "orvane photos: %s\n",
                     photos::scanFailureText(outcome, outputPath(outcome.failedRoot)).c_str());
        return outcome.result == kImageEnginePathNotExist ||
                       outcome.result == kImageEnginePathNotDirectory
                   ? kExitUsage
                   : kExitFailure;
    }
    if (stopping || outcome.stopped) {
        std::fprintf(stderr,
                     "orvane photos: interrupted; the groups above are those found so far\n");
        return kExitInterrupted;
    }
    const int strictCode = o.strict && !outcome.unreadableRoots.empty() ? kExitFailure : kExitOk;
    if (removeType) {
        photos::autoSelect(groups, o.autoSelect == "new" ? photos::AutoSelect::selectNew
                                                         : photos::AutoSelect::selectOld);
        InterruptWatch interrupt;
        const int code = removeSelected(manager, groups, *removeType, o.dryRun);
        return code != kExitOk ? code : strictCode;
    }
    return strictCode;
}

}  // namespace

void addPhotosCommand(CLI::App& app, Action& action) {
    auto options = std::make_shared<Options>();
    auto* cmd = app.add_subcommand(
        "photos",
        "Find groups of similar pictures (resized, recompressed, lightly cropped or "
        "retouched copies) below the given folders");
    addScanFoldersOption(*cmd, *options);
    addJsonFlag(*cmd, *options);
    cmd->add_option("--threshold", options->threshold,
                    "Similarity in percent, 20 (loose) to 100 (identical pictures only); default: "
                    "the saved setting, 85");
    cmd->add_option(
        "--auto-select", options->autoSelect,
        "new: select all but the oldest picture of each group; old: all but the newest");
    addRemovalOptions(*cmd, *options, "pictures");
    cmd->add_flag("--strict", options->strict,
                  "Exit with status 1 when a chosen folder could not be opened (the results then "
                  "do not cover it)");
    addQuietFlag(*cmd, *options);
    addSettingsOption(*cmd, *options);
    cmd->callback([&action, options] { action = [options] { return run(*options); }; });
}

const SubcommandRegistration kRegistration{90, addPhotosCommand};

}  // namespace orvane::cli
