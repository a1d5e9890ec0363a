#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/TempTree.h"

namespace orvane::testing {

// What one run of the real `orvane` program printed and returned.
struct CliRun {
    int code = -1;
    std::string out, err;
};

// Runs `program` with the shell-quoted `args`, its output captured in files inside `tree` so
// that bytes that are not text come back exactly.
inline CliRun runCli(const TempTree& tree, const std::string& program, const std::string& args) {
    const std::string outPath = tree.path("stdout"), errPath = tree.path("stderr");
    const std::string cmd = "'" + program + "' " + args + " >'" + outPath + "' 2>'" + errPath + "'";
    const int status = std::system(cmd.c_str());
    CliRun r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = tree.read("stdout");
    r.err = tree.read("stderr");
    return r;
}

// runCli with file permissions binding even when the tests run as the superuser: without the
// two capabilities that let it read and search every folder, a locked folder locks the program
// out as it would anyone. `environment` ("NAME='value' ...") is set for the program alone.
inline CliRun runCliAsUser(const TempTree& tree, const std::string& program,
                           const std::string& args, const std::string& environment = {}) {
    std::string command = "'" + program + "' " + args;
    if (!environment.empty()) command = "env " + environment + " " + command;
    if (::geteuid() != 0)
        return environment.empty()
                   ? runCli(tree, program, args)
                   : runCli(tree, "env", environment + " '" + program + "' " + args);
    return runCli(tree, "setpriv", "--bounding-set -dac_override,-dac_read_search " + command);
}

}  // namespace orvane::testing
