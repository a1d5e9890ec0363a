#pragma once

#include <sys/wait.h>

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

}  // namespace orvane::testing
