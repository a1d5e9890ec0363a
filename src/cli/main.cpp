#include <csignal>
#include <cstdio>

#include "cli/Commands.h"
#include "cli/ManPage.h"
#include "kit/Log.h"
#include "kit/Paths.h"

int main(int argc, char** argv) {
    using namespace orvane;
    CLI::App app{"Orvane: get disk space back without losing a file you wanted."};
    app.set_version_flag("--version", std::string("orvane ") + ORVANE_VERSION);
    app.require_subcommand(0, 1);

    cli::Action action;
    cli::addRegisteredCommands(app, action);
    // The build writes the manual page from the parser itself; not a user-facing option.
    bool manPage = false;
    app.add_flag("--man-page", manPage)->group("");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : cli::kExitUsage;
    }
    if (manPage) {
#ifdef ORVANE_CLI_FULL_PROGRAM
        // The page lists every command's options, the handed-over ones too.
        return cli::handOverToFullProgram();
#endif
        std::fputs(cli::manPage(app).c_str(), stdout);
        return cli::kExitOk;
    }
    kit::initLogging(kit::logDirectory());
    if (!action) {
        std::fputs(app.help().c_str(), stdout);
        return cli::kExitOk;
    }
    // A reader that goes away (`| head`) must not kill the program half-way through a removal:
    // writes then fail instead, the removal runs to its end, and the journal keeps the record.
    std::signal(SIGPIPE, SIG_IGN);
    const int code = action();
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "orvane: the output was cut short; every removal is recorded in %s\n",
                     kit::joinPath(kit::logDirectory(), "removals.jsonl").c_str());
        return code == cli::kExitOk ? cli::kExitFailure : code;
    }
    return code;
}
