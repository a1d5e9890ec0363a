// `orvane rename [--language CODE] [--order N] [--service URL] [--apply] [--undo] [--json]
// FILE...`: asks the naming service for a name for each file and shows `old → new`; --apply renames
// (never over an existing file, journaled), --undo puts the last applied run back.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "core/renamer/FileRenamer.h"
#include "core/renamer/ParserSupport.h"
#include "core/renamer/RenameJournal.h"
#include "core/renamer/RenamePreferences.h"
#include "core/renamer/RenamerFileList.h"
#include "core/settings/UserDefaults.h"
#include "kit/JsonText.h"
#include "kit/MainQueue.h"
#include "kit/Paths.h"
#include "namer/NameService.h"

namespace orvane::cli {

namespace {

using namespace renamer;

std::atomic<bool> gInterrupted{false};
std::atomic<FileRenamer*> gRenamer{nullptr};

extern "C" void onRenameInterrupt(int) {
    gInterrupted.store(true);
    if (FileRenamer* r = gRenamer.load()) r->isContinue.store(false);
}

struct Options {
    std::string language;
    int order = 0;
    std::string service;
    bool apply = false;
    bool undo = false;
    bool json = false;
    std::vector<std::string> files;
};

std::string absolute(const std::string& path) {
    std::error_code ec;
    const auto p = std::filesystem::absolute(path, ec);
    return ec ? path : p.lexically_normal().string();
}

// Streams one progress line to a terminal's standard error.
class Progress : public FileRenamerDelegate {
public:
    explicit Progress(bool enabled) : enabled_(enabled) {}
    std::shared_ptr<FileRenamer> renamer;
    bool finished = false;
    void fileRenamerDidUpdate(std::size_t index) override {
        if (!enabled_ || renamer->items[index].state != FileProcessState::loading) return;
        std::string name = kit::displayPath(fileNameOf(renamer->items[index].filePath));
        if (name.size() > 50) name = name.substr(0, 47) + "...";
        std::fprintf(stderr, "\r\033[KNaming %zu of %zu: %s", index + 1, renamer->items.size(),
                     name.c_str());
        std::fflush(stderr);
    }
    void fileRenamerDidFinishAll() override {
        if (enabled_) std::fputs("\r\033[K", stderr);
        finished = true;
    }

private:
    bool enabled_;
};

int runUndo(const Options& o) {
    RenameJournal journal(RenameJournal::defaultPath());
    const UndoOutcome out = undoLastRenaming(journal);
    if (o.json) {
        std::string s = "{\"restored\":[";
        for (std::size_t i = 0; i < out.restored.size(); ++i) {
            if (i) s += ',';
            s += "{\"from\":" + kit::jsonString(out.restored[i].oldPath) +
                 ",\"to\":" + kit::jsonString(out.restored[i].newPath) + "}";
        }
        s += "],\"refused\":[";
        for (std::size_t i = 0; i < out.refused.size(); ++i) {
            if (i) s += ',';
            s += "{\"path\":" + kit::jsonString(out.refused[i].first) +
                 ",\"error\":" + kit::jsonString(out.refused[i].second) + "}";
        }
        std::printf("%s]}\n", s.c_str());
    } else {
        if (!out.hadRun) std::puts("Nothing to undo.");
        for (const auto& m : out.restored)
            std::printf("%s → %s\n", kit::displayPath(m.oldPath).c_str(),
                        kit::displayPath(fileNameOf(m.newPath)).c_str());
        for (const auto& [path, why] : out.refused)
            std::fprintf(stderr, "orvane rename: %s: %s\n", kit::displayPath(path).c_str(),
                         why.c_str());
    }
    return out.refused.empty() ? kExitOk : kExitFailure;
}

struct Row {
    std::string path;
    std::string newName;
    std::string state;
    std::string error;
};

int run(const Options& o) {
    if (o.undo) return runUndo(o);
    auto& defaults = settings::UserDefaults::standard();
    std::string lang = RenamePreferences::getSettingValue(defaults);
    if (!o.language.empty()) {
        if (!languageFromCode(o.language)) {
            std::fprintf(stderr, "orvane rename: unknown language code \"%s\"\n",
                         o.language.c_str());
            return kExitUsage;
        }
        lang = o.language;
    }
    PerferenceSetting order = RenamePreferences::getSettingValue2(defaults);
    if (o.order != 0) {
        auto chosen = perferenceSettingFromFormateNum(o.order);
        if (!chosen) {
            std::fputs("orvane rename: --order takes 1 to 7\n", stderr);
            return kExitUsage;
        }
        order = *chosen;
    }

    std::vector<std::string> paths;
    for (const auto& f : o.files) paths.push_back(absolute(f));
    RenamerFileList list;
    list.dragDrop(paths);
    std::vector<Row> rows;
    for (const auto& failed : list.failedItems) {
        rows.push_back({failed.filePath, "", "failed", RenamerFileList::noticeText(failed)});
        if (!o.json)
            std::fprintf(stderr, "orvane rename: %s\n",
                         RenamerFileList::noticeText(failed).c_str());
    }

    kit::MainLoop loop;
    namer::NameService service;
    std::string error;
    const std::string url = service.url(o.service, error);
    if (url.empty()) {
        std::fprintf(stderr, "orvane rename: the naming service could not start: %s\n",
                     error.c_str());
        return kExitFailure;
    }
    auto renamer = FileRenamer::create();
    renamer->items = list.folderItems;
    renamer->serviceURL = url;
    renamer->perferenceLang = lang;
    renamer->perferenceSetting = order;
    auto progress = std::make_shared<Progress>(!o.json && ::isatty(STDERR_FILENO));
    progress->renamer = renamer;
    renamer->delegate = progress;
    gRenamer.store(renamer.get());
    auto previous = std::signal(SIGINT, onRenameInterrupt);
    renamer->renameAll();
    loop.runUntil([&] { return progress->finished; });

    std::vector<std::string> finalNames(renamer->items.size());
    for (std::size_t i = 0; i < renamer->items.size(); ++i)
        finalNames[i] = renamer->items[i].newName.value_or("");
    std::vector<std::string> applyErrors(renamer->items.size());
    if (o.apply && !gInterrupted) {
        RenameJournal journal(RenameJournal::defaultPath());
        const std::vector<FileItem> before = renamer->items;
        bool applied = false;
        RenameOutcome outcome;
        renamer->applyFileRenames(journal, [&](const RenameOutcome& out) {
            outcome = out;
            applied = true;
        });
        loop.runUntil([&] { return applied; });
        for (std::size_t i = 0; i < before.size(); ++i) {
            for (const auto& m : outcome.moved)
                if (m.oldPath == before[i].filePath) finalNames[i] = fileNameOf(m.newPath);
            for (const auto& f : outcome.failed)
                if (f.filePath == before[i].filePath) applyErrors[i] = f.message;
        }
        for (std::size_t i = 0; i < before.size(); ++i)
            renamer->items[i].filePath = before[i].filePath;
    }
    std::signal(SIGINT, previous);
    gRenamer.store(nullptr);

    for (std::size_t i = 0; i < renamer->items.size(); ++i) {
        const FileItem& item = renamer->items[i];
        Row row{item.filePath, finalNames[i], "failed", item.error};
        if (item.state == FileProcessState::success) {
            row.state = applyErrors[i].empty() ? "success" : "failed";
            row.error = applyErrors[i];
        } else if (item.state != FileProcessState::failed) {
            row.state = "idle";
            row.error = "Not named: the run was interrupted.";
        }
        rows.push_back(std::move(row));
    }

    bool anyFailed = false;
    if (o.json) {
        std::string s = "{\"files\":[";
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (i) s += ',';
            s += "{\"path\":" + kit::jsonString(rows[i].path) +
                 ",\"newName\":" + kit::jsonString(rows[i].newName) +
                 ",\"state\":" + kit::jsonString(rows[i].state) +
                 ",\"error\":" + kit::jsonString(rows[i].error) + "}";
        }
        std::printf("%s]}\n", s.c_str());
    }
    for (const Row& r : rows) {
        if (r.state != "success") anyFailed = true;
        if (o.json) continue;
        if (r.state == "success")
            std::printf("%s → %s\n", kit::displayPath(r.path).c_str(),
                        kit::displayPath(r.newName).c_str());
        else if (!r.newName.empty() || r.error.find("not supported") == std::string::npos)
            std::fprintf(stderr, "orvane rename: %s: %s\n", kit::displayPath(r.path).c_str(),
                         r.error.c_str());
    }
    if (gInterrupted) return kExitInterrupted;
    return anyFailed ? kExitFailure : kExitOk;
}

}  // namespace

void addRenameCommand(CLI::App& app, Action& action) {
    auto opts = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "rename", "Suggest names for files from their content; --apply renames them");
    cmd->add_option("--language", opts->language,
                    "Language code of the names (en, de, zh-cn, ...)");
    cmd->add_option("--order", opts->order,
                    "Name order 1-7: content, content_owner_date, content_date_owner, "
                    "owner_content_date, owner_date_content, date_content_owner, "
                    "date_owner_content");
    cmd->add_option("--service", opts->service,
                    "Address of a naming service (default: the built-in namer, offline)");
    cmd->add_flag("--apply", opts->apply, "Rename the files (never over an existing file)");
    cmd->add_flag("--undo", opts->undo, "Put back the names of the last applied renaming");
    cmd->add_flag("--json", opts->json, "Print {\"files\":[{path,newName,state,error}]}");
    cmd->add_option("files", opts->files, "Files to name");
    cmd->callback([opts, &action, cmd] {
        if (!opts->undo && opts->files.empty())
            throw CLI::ValidationError("rename", "give at least one FILE (or --undo)");
        if (opts->undo && (opts->apply || !opts->files.empty()))
            throw CLI::ValidationError("rename", "--undo takes no files and no --apply");
        (void)cmd;
        action = [opts] { return run(*opts); };
    });
}

const SubcommandRegistration kRegistration{50, addRenameCommand};

}  // namespace orvane::cli
