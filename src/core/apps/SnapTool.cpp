#include "core/apps/SnapTool.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "core/apps/AppIdentifiers.h"
#include "kit/Localization.h"
#include "kit/Log.h"

namespace orvane::apps {

namespace {

constexpr const char* kSnap = "snap";

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        std::size_t j = i;
        while (j < line.size() && !std::isspace(static_cast<unsigned char>(line[j]))) ++j;
        if (j > i) out.push_back(line.substr(i, j - i));
        i = j;
    }
    return out;
}

ToolOutcome invalidName() {
    return ToolOutcome::failure(kit::localized("This is not a valid snap name."));
}

}  // namespace

std::vector<std::string> SnapTool::removeArguments(const std::string& name, bool purge) {
    std::vector<std::string> args = {"remove"};
    if (purge) args.push_back("--purge");
    args.push_back(name);
    return args;
}

ToolOutcome SnapTool::remove(const std::string& name, bool purge) {
    if (!isSnapInstanceName(name)) return invalidName();
    const kit::ToolResult run = kit::runTool(kSnap, removeArguments(name, purge));
    ORVANE_LOG("snap remove " + name + ": status " + std::to_string(run.exitCode));
    return ToolOutcome::of(kSnap, run);
}

std::vector<SnapRefresh> SnapTool::listRefreshes(std::string* error) {
    kit::ToolOptions options;
    options.timeout = std::chrono::minutes(2);
    const kit::ToolResult run = kit::runTool(kSnap, {"refresh", "--list"}, options);
    const ToolOutcome outcome = ToolOutcome::of(kSnap, run);
    if (!outcome.ok) {
        if (error) *error = outcome.message;
        return {};
    }
    return parseRefreshList(run.output);
}

std::vector<SnapRefresh> SnapTool::parseRefreshList(std::string_view text) {
    std::vector<SnapRefresh> out;
    bool sawHeader = false;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        const std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        const auto cols = words(line);
        if (cols.empty()) continue;
        if (!sawHeader) {
            // Rows mean something only under the table's own header.
            sawHeader = cols.size() >= 4 && cols[0] == "Name" && cols[1] == "Version";
            continue;
        }
        if (cols.size() < 4 || !isSnapInstanceName(cols[0])) continue;
        SnapRefresh r;
        r.name = std::string(cols[0]);
        r.version = std::string(cols[1]);
        r.revision = std::string(cols[2]);
        r.size = parseSize(cols[3]).value_or(0);
        if (cols.size() > 4) r.publisher = std::string(cols[4]);
        out.push_back(std::move(r));
    }
    return out;
}

ToolOutcome SnapTool::refresh(const std::string& name) {
    if (!isSnapInstanceName(name)) return invalidName();
    const kit::ToolResult run = kit::runTool(kSnap, {"refresh", name});
    ORVANE_LOG("snap refresh " + name + ": status " + std::to_string(run.exitCode));
    return ToolOutcome::of(kSnap, run);
}

std::optional<std::uint64_t> SnapTool::parseSize(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.'))
        ++i;
    if (i == 0 || i > 24) return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + i, value);
    if (ec != std::errc() || end != text.data() + i || !std::isfinite(value)) return std::nullopt;
    const std::string_view unit = text.substr(i);
    double factor = 0;
    if (unit == "B") factor = 1;
    else if (unit == "kB") factor = 1e3;
    else if (unit == "MB") factor = 1e6;
    else if (unit == "GB") factor = 1e9;
    else if (unit == "TB") factor = 1e12;
    else return std::nullopt;
    const double bytes = value * factor;
    if (bytes > 1.8e19) return std::nullopt;
    return static_cast<std::uint64_t>(std::llround(bytes));
}

}  // namespace orvane::apps
