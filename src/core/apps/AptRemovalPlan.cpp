#include "core/apps/AptRemovalPlan.h"

#include <algorithm>
#include <set>

#include "core/apps/ToolOutcome.h"
#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/RunTool.h"

namespace orvane::apps {

namespace {

constexpr const char* kAptGet = "apt-get";

struct Simulation {
    ToolOutcome outcome;
    std::vector<std::string> removed;
    bool essential = false;
};

Simulation run(const std::vector<std::string>& names, const std::atomic<bool>* stop) {
    Simulation s;
    kit::ToolOptions options;
    options.timeout = std::chrono::minutes(2);
    options.stop = stop;
    const kit::ToolResult r =
        kit::runTool(kAptGet, AptRemovalPlan::simulationArguments(names), options);
    s.outcome = ToolOutcome::of(kAptGet, r);
    if (s.outcome.ok) s.removed = AptRemovalPlan::parseSimulation(r.output, &s.essential);
    return s;
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i) out += ", ";
        out += names[i];
    }
    return out;
}

}  // namespace

bool AptRemovalPlan::isPackageName(std::string_view name) {
    // Debian policy: lower-case letters, digits, + - . ; at least two characters, starting
    // with a letter or digit. An architecture qualifier (":amd64") is allowed.
    if (name.size() < 2 || name.size() > 200) return false;
    auto alnum = [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); };
    if (!alnum(name.front())) return false;
    bool colon = false;
    for (char c : name) {
        if (c == ':' && !colon) {
            colon = true;
            continue;
        }
        if (!alnum(c) && c != '+' && c != '-' && c != '.' && !(colon && c == '_')) return false;
    }
    return name.back() != ':';
}

std::vector<std::string> AptRemovalPlan::simulationArguments(
    const std::vector<std::string>& names) {
    std::vector<std::string> args = {"-s", "remove"};
    args.insert(args.end(), names.begin(), names.end());
    return args;
}

std::vector<std::string> AptRemovalPlan::parseSimulation(std::string_view text, bool* essential) {
    std::vector<std::string> out;
    if (essential) *essential = false;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        if (essential && line.find("essential packages will be removed") != std::string_view::npos)
            *essential = true;
        if (!line.starts_with("Remv ")) continue;
        line.remove_prefix(5);
        const auto end = line.find_first_of(" \t");
        const std::string_view name = line.substr(0, end);
        if (isPackageName(name)) out.emplace_back(name);
    }
    return out;
}

AptRemovalPlan AptRemovalPlan::simulate(const std::vector<std::string>& asked,
                                        const std::atomic<bool>* stop) {
    AptRemovalPlan plan;
    std::vector<std::string> names;
    for (const std::string& name : asked) {
        if (!isPackageName(name)) {
            plan.refused[name] = kit::localized("This is not a valid Debian package name.");
        } else if (std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(name);
        }
    }
    if (names.empty()) {
        plan.ok = true;
        return plan;
    }
    const Simulation all = run(names, stop);
    if (!all.outcome.ok) {
        plan.error = all.outcome.message;
        return plan;
    }
    plan.ok = true;
    plan.removed = all.removed;
    const std::set<std::string> askedSet(names.begin(), names.end());
    auto strip = [](const std::string& n) { return n.substr(0, n.find(':')); };
    auto isAsked = [&](const std::string& removed) {
        return askedSet.count(removed) || askedSet.count(strip(removed));
    };
    const bool takesOthers = std::any_of(all.removed.begin(), all.removed.end(),
                                         [&](const std::string& n) { return !isAsked(n); });
    if (!takesOthers && !all.essential) {
        plan.accepted = names;
        return plan;
    }
    // Someone else depends on at least one of them: find out which.
    for (const std::string& name : names) {
        const Simulation alone = run({name}, stop);
        if (stop && stop->load()) {
            plan.ok = false;
            plan.error = alone.outcome.message;
            plan.accepted.clear();
            plan.refused.clear();
            return plan;
        }
        if (!alone.outcome.ok) {
            plan.refused[name] = alone.outcome.message;
            continue;
        }
        std::vector<std::string> others;
        for (const std::string& n : alone.removed)
            if (!isAsked(n)) others.push_back(n);
        if (alone.essential) {
            plan.refused[name] = kit::localized(
                "The system needs this package (apt calls it essential); it is not removed.");
        } else if (!others.empty()) {
            plan.refused[name] = kit::formatLocalized(
                "Other installed packages depend on it: %@. Removing it would remove them too.",
                {joined(others)});
        } else {
            plan.accepted.push_back(name);
        }
    }
    // What apt would remove once the refused packages stay.
    plan.removed.clear();
    if (!plan.accepted.empty()) {
        const Simulation rest = run(plan.accepted, stop);
        if (!rest.outcome.ok) {
            plan.ok = false;
            plan.error = rest.outcome.message;
            plan.accepted.clear();
            return plan;
        }
        plan.removed = rest.removed;
    }
    ORVANE_LOG("apt removal plan: " + std::to_string(plan.accepted.size()) + " accepted, " +
               std::to_string(plan.refused.size()) + " refused");
    return plan;
}

}  // namespace orvane::apps
