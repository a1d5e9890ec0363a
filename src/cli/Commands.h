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
using AddCommand = void (*)(CLI::App& app, Action& action);

// A subcommand file registers itself, so adding one touches no other file:
//   const SubcommandRegistration kRegistration{40, addHistoryCommand};
// `order` places it in the help text, lowest first.
struct SubcommandRegistration {
    SubcommandRegistration(int order, AddCommand add);
};

// Adds every registered subcommand to the app, in order.
void addRegisteredCommands(CLI::App& app, Action& action);

// Runs orvane-full with this process's command line in its place; returns only when it cannot
// (with an exit code). For the commands `orvane` leaves to it.
int handOverToFullProgram();

}  // namespace orvane::cli
