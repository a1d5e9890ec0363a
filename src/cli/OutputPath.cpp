#include "cli/OutputPath.h"

#include <unistd.h>

#include "kit/Paths.h"

namespace orvane::cli {

std::string outputPath(std::string_view path) {
    static const bool terminal = ::isatty(STDOUT_FILENO) == 1;
    return terminal ? kit::terminalPath(path) : std::string(path);
}

}  // namespace orvane::cli
