#pragma once

#include <atomic>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::apps {

// What apt would do to remove a set of Debian packages, asked with `apt-get -s remove` (a
// simulation, which needs no administrator rights and changes nothing) before anything is
// removed. Packages that other installed packages depend on are refused: apt would take those
// dependants away too, which nobody ticked.
struct AptRemovalPlan {
    // False when apt could not answer at all (not installed, an unknown package, a broken
    // database); `error` says why and nothing may be removed.
    bool ok = false;
    std::string error;
    // Every package apt would remove, in its order ("Remv" lines).
    std::vector<std::string> removed;
    // The asked-for packages that can go alone, in the order asked.
    std::vector<std::string> accepted;
    // The asked-for packages refused, with the sentence saying why.
    std::map<std::string, std::string> refused;

    // apt-get -s remove <names...>
    static std::vector<std::string> simulationArguments(const std::vector<std::string>& names);
    // Asks apt. When the whole set would take other packages along, each package is asked
    // alone to learn which of them is needed by the others. apt may take a while to resolve;
    // setting `stop` ends the running simulation and leaves a plan that removes nothing.
    static AptRemovalPlan simulate(const std::vector<std::string>& names,
                                   const std::atomic<bool>* stop = nullptr);

    // The packages of "Remv <name> [<version>]" lines of a simulation, in order. Sets
    // `essential` when apt warns that essential packages would go.
    static std::vector<std::string> parseSimulation(std::string_view text, bool* essential);
    // Whether a name is a Debian package name (and so cannot be read as an option).
    static bool isPackageName(std::string_view name);
};

}  // namespace orvane::apps
