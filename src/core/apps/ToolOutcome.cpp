#include "core/apps/ToolOutcome.h"

#include <string_view>

#include "kit/Localization.h"
#include "kit/Paths.h"

namespace orvane::apps {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The tool's own last word on what went wrong.
std::string lastLine(std::string_view text) {
    std::string_view best;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        const std::string_view line = trim(text.substr(0, nl));
        if (!line.empty()) best = line;
        if (nl == std::string_view::npos) break;
        text.remove_prefix(nl + 1);
    }
    for (std::string_view prefix : {"error: ", "Error: ", "E: ", "W: "})
        if (best.starts_with(prefix)) best.remove_prefix(prefix.size());
    if (best.size() > 400) best = best.substr(0, 400);
    return kit::displayPath(std::string(best));
}

bool contains(const std::string& text, std::string_view what) {
    return text.find(what) != std::string::npos;
}

}  // namespace

std::string ToolOutcome::missingTool(const std::string& tool) {
    return kit::formatLocalized("“%@” is not installed on this computer.", {tool});
}

ToolOutcome ToolOutcome::of(const std::string& tool, const kit::ToolResult& run) {
    if (!run.started) return failure(missingTool(tool));
    if (run.stopped) return failure(kit::localized("Stopped before it finished."));
    if (run.timedOut)
        return failure(
            kit::formatLocalized("“%@” did not finish in time and was stopped.", {tool}));
    if (run.exitCode == 0) return success();
    const std::string& said = run.errorText.empty() ? run.output : run.errorText;
    // A package manager another program holds: worth its own sentence, since waiting helps.
    if (contains(said, "Could not get lock") || contains(said, "Unable to acquire the dpkg") ||
        contains(said, "change in progress") || contains(said, "is locked"))
        return failure(kit::localized(
            "The package manager is busy with another program. Try again when it has finished."));
    std::string why = lastLine(said);
    if (why.empty())
        why = kit::formatLocalized("“%@” ended with status %@.",
                                   {tool, std::to_string(run.exitCode)});
    return failure(why);
}

}  // namespace orvane::apps
