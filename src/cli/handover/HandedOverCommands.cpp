// In the `orvane` program: the commands that need the image, document and network libraries.
// They live in orvane-full, so that every other command starts without loading those libraries
// (a scan for duplicates then begins in milliseconds and about 10 MB, instead of a tenth of a
// second and 60 MB). Listed here with their places and descriptions; chosen, they hand the whole
// command line, untouched, to orvane-full.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace orvane::cli {

namespace {

// Beside this program in a build folder; in the package's private folder once installed.
std::string fullProgram() {
    std::string self(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
    if (n <= 0) return ORVANE_CLI_FULL_PROGRAM;
    self.resize(static_cast<std::size_t>(n));
    const std::string dir = self.substr(0, self.rfind('/') + 1);
    for (const std::string& candidate :
         {dir + ORVANE_CLI_FULL_PROGRAM, dir + "../lib/orvane/" + ORVANE_CLI_FULL_PROGRAM})
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    return dir + ORVANE_CLI_FULL_PROGRAM;
}

void addHandedOver(CLI::App& app, Action& action, const char* name, const char* description) {
    CLI::App* cmd = app.add_subcommand(name, description);
    // Everything after the name, --help included, is orvane-full's to read.
    cmd->set_help_flag();
    cmd->allow_extras();
    cmd->prefix_command();
    cmd->callback([&action] { action = [] { return handOverToFullProgram(); }; });
}

const SubcommandRegistration kRename{50, [](CLI::App& app, Action& action) {
                                         addHandedOver(
                                             app, action, "rename",
                                             "Suggest names for files from their content; --apply "
                                             "renames them");
                                     }};
const SubcommandRegistration kNamer{60, [](CLI::App& app, Action& action) {
                                        addHandedOver(app, action, "namer",
                                                      "The file-naming service the renamer asks");
                                    }};
const SubcommandRegistration kPhotos{
    90, [](CLI::App& app, Action& action) {
        addHandedOver(app, action, "photos",
                      "Find groups of similar pictures (resized, recompressed, lightly cropped or "
                      "retouched copies) below the given folders");
    }};

}  // namespace

int handOverToFullProgram() {
    // The command line as it was given, from the kernel's copy.
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string all{std::istreambuf_iterator<char>(in), {}};
    std::vector<std::string> args;
    for (std::size_t at = 0; at < all.size();) {
        const std::size_t end = all.find('\0', at);
        args.push_back(all.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string program = fullProgram();
    ::execv(program.c_str(), argv.data());
    std::fprintf(stderr, "orvane: cannot run %s: %s\n", program.c_str(), std::strerror(errno));
    return kExitFailure;
}

}  // namespace orvane::cli
