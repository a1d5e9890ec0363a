#pragma once

#include <string>

#include "kit/RunTool.h"

namespace orvane::apps {

// How one step of a package tool went, with a sentence for the user when it failed.
struct ToolOutcome {
    bool ok = false;
    std::string message;

    static ToolOutcome success() { return {true, {}}; }
    static ToolOutcome failure(std::string why) { return {false, std::move(why)}; }

    // The outcome of a finished run of `tool`: its own explanation when it gives one (the last
    // line it wrote to standard error, without its "error:" prefix), else the exit status.
    static ToolOutcome of(const std::string& tool, const kit::ToolResult& run);
    // The user's sentence for a tool that is not installed on this computer.
    static std::string missingTool(const std::string& tool);
};

}  // namespace orvane::apps
