#include "core/apps/FlatpakTool.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "core/apps/AppIdentifiers.h"
#include "kit/Localization.h"
#include "kit/Log.h"

namespace orvane::apps {

namespace {

constexpr const char* kFlatpak = "flatpak";

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> splitTabs(std::string_view line) {
    std::vector<std::string_view> out;
    while (true) {
        const auto tab = line.find('\t');
        out.push_back(trim(line.substr(0, tab)));
        if (tab == std::string_view::npos) break;
        line.remove_prefix(tab + 1);
    }
    return out;
}

std::string installation(bool user) { return user ? "--user" : "--system"; }

}  // namespace

std::vector<std::string> FlatpakTool::uninstallArguments(const std::string& appId, bool user,
                                                         bool deleteData) {
    std::vector<std::string> args = {"uninstall", installation(user), "--noninteractive"};
    if (deleteData) args.push_back("--delete-data");
    args.push_back(appId);
    return args;
}

ToolOutcome FlatpakTool::uninstall(const std::string& appId, bool user, bool deleteData) {
    // An id is passed on only when it is one; anything else could be read as an option.
    if (!isFlatpakAppId(appId))
        return ToolOutcome::failure(kit::localized("This is not a valid flatpak application id."));
    const kit::ToolResult run = kit::runTool(kFlatpak, uninstallArguments(appId, user, deleteData));
    ORVANE_LOG("flatpak uninstall " + appId + ": status " + std::to_string(run.exitCode));
    return ToolOutcome::of(kFlatpak, run);
}

std::vector<std::string> FlatpakTool::listUpdatesArguments(bool user) {
    return {"remote-ls", "--updates", installation(user), "--app",
            "--columns=application,version,branch,origin,download-size"};
}

std::vector<FlatpakUpdate> FlatpakTool::listUpdates(bool user, std::string* error) {
    kit::ToolOptions options;
    options.timeout = std::chrono::minutes(2);
    const kit::ToolResult run = kit::runTool(kFlatpak, listUpdatesArguments(user), options);
    const ToolOutcome outcome = ToolOutcome::of(kFlatpak, run);
    if (!outcome.ok) {
        if (error) *error = outcome.message;
        return {};
    }
    return parseUpdates(run.output);
}

std::vector<FlatpakUpdate> FlatpakTool::parseUpdates(std::string_view text) {
    std::vector<FlatpakUpdate> out;
    while (!text.empty()) {
        const auto nl = text.find('\n');
        const std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        const auto cols = splitTabs(line);
        if (cols.size() < 4 || !isFlatpakAppId(cols[0])) continue;
        FlatpakUpdate u;
        u.application = std::string(cols[0]);
        u.version = std::string(cols[1]);
        u.branch = std::string(cols[2]);
        u.origin = std::string(cols[3]);
        if (cols.size() > 4) u.downloadSize = parseSize(cols[4]).value_or(0);
        out.push_back(std::move(u));
    }
    return out;
}

ToolOutcome FlatpakTool::update(const std::string& appId, bool user,
                                const std::function<void(int)>& progress,
                                const std::atomic<bool>* stop) {
    if (!isFlatpakAppId(appId))
        return ToolOutcome::failure(kit::localized("This is not a valid flatpak application id."));
    kit::ToolOptions options;
    options.stop = stop;
    options.onLine = [&](std::string_view line, bool) {
        if (!progress) return;
        if (auto percent = percentIn(line)) progress(*percent);
    };
    const kit::ToolResult run =
        kit::runTool(kFlatpak, {"update", installation(user), "--noninteractive", appId}, options);
    ORVANE_LOG("flatpak update " + appId + ": status " + std::to_string(run.exitCode));
    return ToolOutcome::of(kFlatpak, run);
}

std::optional<std::uint64_t> FlatpakTool::parseSize(std::string_view text) {
    text = trim(text);
    std::size_t i = 0;
    while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.'))
        ++i;
    if (i == 0 || i > 24) return std::nullopt;
    // from_chars, unlike strtod, does not read "1,5" in a German session.
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + i, value);
    if (ec != std::errc() || end != text.data() + i || !std::isfinite(value) || value < 0)
        return std::nullopt;
    const std::string_view unit = trim(text.substr(i));
    double factor = 0;
    if (unit == "bytes" || unit == "byte" || unit == "B" || unit.empty()) factor = 1;
    else if (unit == "kB" || unit == "KB") factor = 1e3;
    else if (unit == "MB") factor = 1e6;
    else if (unit == "GB") factor = 1e9;
    else if (unit == "TB") factor = 1e12;
    else return std::nullopt;
    const double bytes = value * factor;
    if (bytes > 1.8e19) return std::nullopt;
    return static_cast<std::uint64_t>(std::llround(bytes));
}

std::optional<int> FlatpakTool::percentIn(std::string_view line) {
    std::optional<int> found;
    for (std::size_t p = line.find('%'); p != std::string_view::npos; p = line.find('%', p + 1)) {
        std::size_t start = p;
        while (start > 0 && std::isdigit(static_cast<unsigned char>(line[start - 1]))) --start;
        if (start == p || p - start > 3) continue;
        int value = 0;
        std::from_chars(line.data() + start, line.data() + p, value);
        if (value <= 100) found = value;
    }
    return found;
}

}  // namespace orvane::apps
