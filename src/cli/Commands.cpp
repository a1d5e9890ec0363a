#include "cli/Commands.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace orvane::cli {

namespace {

// Filled during static initialisation, from every subcommand file; a function-local table is
// made on first use, whichever file registers first.
std::vector<std::pair<int, AddCommand>>& registry() {
    static std::vector<std::pair<int, AddCommand>> table;
    return table;
}

}  // namespace

SubcommandRegistration::SubcommandRegistration(int order, AddCommand add) {
    registry().emplace_back(order, add);
}

void addRegisteredCommands(CLI::App& app, Action& action) {
    auto table = registry();
    std::stable_sort(table.begin(), table.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [order, add] : table) add(app, action);
}

}  // namespace orvane::cli
