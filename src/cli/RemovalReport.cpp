#include "cli/RemovalReport.h"

#include <cstdio>
#include <string>

#include "cli/OutputPath.h"
#include "kit/Plural.h"
#include "kit/SizeFormat.h"

namespace orvane::cli {

namespace {

using files::RemoveType;

const char* verb(const RemoveType& type, bool dryRun) {
    switch (type.kind) {
        case RemoveType::Kind::trash: return dryRun ? "would trash" : "trashed";
        case RemoveType::Kind::forever: return dryRun ? "would delete" : "deleted";
        case RemoveType::Kind::folder: return dryRun ? "would move" : "moved";
    }
    return "";
}

// "Move 2 files (24 MB) to the Trash", "Delete 2 files for good, 24 MB freed": what happened to
// the bytes is said the way it happened; only deleting frees space at once.
std::string summary(const RemoveType& type, bool dryRun, std::size_t count, std::uint64_t bytes) {
    const std::string files = kit::countOf(count, "file", "files");
    const std::string size = kit::transformedFileSize(bytes);
    switch (type.kind) {
        case RemoveType::Kind::trash:
            return (dryRun ? "Would move " : "Moved ") + files + " (" + size + ") to the Trash";
        case RemoveType::Kind::forever:
            return dryRun ? "Would delete " + files + " (" + size + ") for good"
                          : "Deleted " + files + " for good, " + size + " freed";
        case RemoveType::Kind::folder:
            return (dryRun ? "Would move " : "Moved ") + files + " (" + size + ") to " + type.path;
    }
    return {};
}

void printLine(const char* head, const std::string& path, const std::string& tail = {}) {
    std::fputs(head, stdout);
    std::fputc(' ', stdout);
    const std::string shown = outputPath(path);
    std::fwrite(shown.data(), 1, shown.size(), stdout);
    std::fputs(tail.c_str(), stdout);
    std::fputc('\n', stdout);
}

}  // namespace

void RemovalReport::printPlan(const RemoveType& type, const Files& files) {
    std::uint64_t bytes = 0;
    for (const auto& f : files) {
        printLine(verb(type, true), f->path());
        bytes += f->size();
    }
    std::printf("%s; nothing was touched.\n", summary(type, true, files.size(), bytes).c_str());
}

std::size_t RemovalReport::printOutcome(const RemoveType& type, const Files& files) {
    std::size_t removed = 0, failed = 0, left = 0;
    std::uint64_t bytes = 0;
    for (const auto& f : files) {
        if (f->deleted) {
            ++removed;
            bytes += f->size();
            printLine(verb(type, false), f->path());
        } else if (f->removeError) {
            ++failed;
            printLine("failed", f->path(), ": " + f->removeError->description);
        } else {
            ++left;
            printLine("left", f->path());
        }
    }
    std::printf("%s; %zu failed; %zu left in place.\n",
                summary(type, false, removed, bytes).c_str(), failed, left);
    return failed;
}

}  // namespace orvane::cli
