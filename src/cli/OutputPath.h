#pragma once

#include <string>
#include <string_view>

namespace orvane::cli {

// A path as the commands print it on standard output: byte for byte into a pipe or a file, so a
// script reads the real name; on a terminal in the quoted form of kit::terminalPath, so a name
// with a newline or an escape sequence cannot pass for two files or take over the screen. Both
// name the real file when pasted back into a shell.
std::string outputPath(std::string_view path);
// The same, appended to `out`: a long listing builds no string per path.
void appendOutputPath(std::string& out, std::string_view path);

}  // namespace orvane::cli
