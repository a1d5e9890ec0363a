// Subcommands whose modules have not landed yet. Each module replaces its line here with a file
// of its own; until then the command says so plainly instead of pretending to work.
#include <cstdio>

#include "cli/Commands.h"

namespace orvane::cli {

namespace {
void pending(CLI::App& app, Action& action, const char* name, const char* what) {
    auto* cmd = app.add_subcommand(name, what);
    cmd->allow_extras();
    cmd->callback([&action, name] {
        action = [name] {
            std::fprintf(stderr, "orvane %s: not available in this build yet\n", name);
            return kExitFailure;
        };
    });
}
}  // namespace

void addLargeFilesCommand(CLI::App& app, Action& action) {
    pending(app, action, "large-files", "List files of 10 MB and more by size, age and kind");
}

}  // namespace orvane::cli
