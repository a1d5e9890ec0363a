#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace orvane::cli {

// The orvane(1) manual page in roff, built from the very options and subcommands the program
// parses, so the page can never describe a flag the command does not have.
std::string manPage(const CLI::App& app);

}  // namespace orvane::cli
