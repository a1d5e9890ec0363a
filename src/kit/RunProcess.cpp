#include "kit/RunProcess.h"

#include "kit/RunTool.h"

namespace orvane::kit {

// The plain form of runTool for callers that want standard output alone.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         std::chrono::milliseconds timeout, std::size_t maxOutput) {
    ToolOptions options;
    options.timeout = timeout;
    options.maxOutput = maxOutput;
    ToolResult tool = runTool(program, arguments, options);
    ProcessResult result;
    result.started = tool.started;
    result.timedOut = tool.timedOut;
    result.exitCode = tool.exitCode;
    result.output = std::move(tool.output);
    result.error = std::move(tool.error);
    return result;
}

}  // namespace orvane::kit
