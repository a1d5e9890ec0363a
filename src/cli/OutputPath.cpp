#include "cli/OutputPath.h"

#include <unistd.h>

#include "kit/Paths.h"

namespace orvane::cli {

namespace {

bool toTerminal() {
    static const bool terminal = ::isatty(STDOUT_FILENO) == 1;
    return terminal;
}

}  // namespace

std::string outputPath(std::string_view path) {
    return toTerminal() ? kit::terminalPath(path) : std::string(path);
}

void appendOutputPath(std::string& out, std::string_view path) {
    if (toTerminal()) out += kit::terminalPath(path);
    else out.append(path);
}

}  // namespace orvane::cli
