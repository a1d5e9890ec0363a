#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <memory>

namespace orvane::cli {

// Exit codes shared by every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;  // bad arguments, unreadable roots, refused values
inline constexpr int kExitInterrupted = 130;

// Each subcommand adds itself to the app and stores the action to run when it was chosen.
using Action = std::function<int()>;
void addSettingsCommand(CLI::App& app, Action& action);
void addDuplicatesCommand(CLI::App& app, Action& action);
void addLargeFilesCommand(CLI::App& app, Action& action);
void addHistoryCommand(CLI::App& app, Action& action);
void addRenameCommand(CLI::App& app, Action& action);
void addNamerCommand(CLI::App& app, Action& action);
void addAppsCommand(CLI::App& app, Action& action);
void addJunkCommand(CLI::App& app, Action& action);
void addPhotosCommand(CLI::App& app, Action& action);

}  // namespace orvane::cli
