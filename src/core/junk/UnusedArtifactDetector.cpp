#include "core/junk/UnusedArtifactDetector.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "core/junk/AppBundle.h"
#include "core/junk/JunkFiles.h"
#include "core/junk/RuleEnvironment.h"
#include "core/junk/RuleText.h"
#include "core/settings/PlistFile.h"
#include "kit/Paths.h"
#include "platform/Layout.h"

namespace orvane::junk {

namespace {

std::set<std::string> lowered(const std::set<std::string>& ids) {
    std::set<std::string> out;
    for (const auto& id : ids) out.insert(lowercased(id));
    return out;
}

// The first word of a command line, honouring double and single quotes and backslashes.
std::vector<std::string> splitCommand(std::string_view command) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (std::size_t i = 0; i < command.size(); ++i) {
        const char c = command[i];
        if (quote) {
            if (c == quote) quote = 0;
            else if (c == '\\' && quote == '"' && i + 1 < command.size()) word += command[++i];
            else word += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
            inWord = true;
        } else if (c == '\\' && i + 1 < command.size()) {
            word += command[++i];
            inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

// Key=value lines of one section of a desktop entry or unit file.
std::optional<std::string> iniValue(const std::string& path, std::string_view section,
                                    std::string_view key) {
    std::ifstream in(path);
    std::string line;
    bool inSection = false;
    int lines = 0;
    while (std::getline(in, line) && ++lines < 10000) {
        const std::string_view text = trimmed(line);
        if (text.starts_with("[")) {
            inSection = text.substr(1, text.size() >= 2 ? text.size() - 2 : 0) == section &&
                        text.ends_with("]");
            continue;
        }
        if (!inSection || !text.starts_with(key)) continue;
        std::string_view rest = trimmed(text.substr(key.size()));
        if (!rest.starts_with("=")) continue;
        return std::string(trimmed(rest.substr(1)));
    }
    return std::nullopt;
}

}  // namespace

UnusedArtifactDetector::UnusedArtifactDetector(const RuleEnvironment& env) : env_(env) {}

std::string UnusedArtifactDetector::sanitizeExecutablePath(const std::string& text,
                                                           const std::string& home) {
    std::string out(trimmed(text));
    if (out.size() >= 2 && out.front() == '"' && out.back() == '"')
        out = out.substr(1, out.size() - 2);
    if (out.starts_with("~")) out = home + out.substr(1);
    return out;
}

bool UnusedArtifactDetector::isLikelyBundleIdentifier(const std::string& id) {
    return !id.empty() && id.find('.') != std::string::npos &&
           id.find_first_of(" \t\r\n") == std::string::npos;
}

std::string UnusedArtifactDetector::displayName(const std::string& identifier) {
    std::string last;
    std::size_t end = identifier.size();
    while (end > 0) {
        const auto dot = identifier.rfind('.', end - 1);
        const std::size_t begin = dot == std::string::npos ? 0 : dot + 1;
        if (end > begin) {
            last = identifier.substr(begin, end - begin);
            break;
        }
        if (dot == std::string::npos) break;
        end = dot;
    }
    for (char& c : last)
        if (c == '-' || c == '_') c = ' ';
    last = std::string(trimmed(last));
    if (last.empty()) return identifier;
    // Each word capitalised, the rest lower-case.
    bool startOfWord = true;
    for (char& c : last) {
        if (c == ' ') {
            startOfWord = true;
        } else if (startOfWord) {
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
            startOfWord = false;
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return last;
}

std::optional<std::string> UnusedArtifactDetector::containingAppPath(
    const std::string& executable) {
    const auto at = executable.find(".app/");
    if (at == std::string::npos) return std::nullopt;
    return executable.substr(0, at + 4);
}

std::vector<UnusedArtifact> UnusedArtifactDetector::collectUnusedLoginItemArtifacts(
    const std::set<std::string>& installedBundles) const {
    const auto installed = lowered(installedBundles);
    if (env_.layout.kind == platform::Layout::Kind::macOS) return launchAgents(installed);
    return freedesktopEntries(installed);
}

std::vector<UnusedArtifact> UnusedArtifactDetector::launchAgents(
    const std::set<std::string>& installed) const {
    std::vector<UnusedArtifact> out;
    const std::string own = lowercased(env_.ownBundleId);
    for (const std::string& folder : env_.layout.loginItemFolders) {
        auto names = files::listDirectory(folder);
        if (!names) continue;
        std::sort(names->begin(), names->end());
        for (const std::string& name : *names) {
            if (lowercased(kit::pathExtension(name)) != "plist") continue;
            const std::string path = kit::joinPath(folder, name);
            const auto read = settings::readPlistFile(path);
            if (read.status != settings::PlistReadResult::Status::ok) continue;
            const std::string label(trimmed(read.dict.stringValue("Label").value_or("")));
            std::string program = read.dict.stringValue("Program").value_or("");
            if (program.empty()) {
                if (auto args = read.dict.stringArray("ProgramArguments"); args && !args->empty())
                    program = args->front();
            }
            program = sanitizeExecutablePath(program, env_.home());
            const auto appPath = containingAppPath(program);
            std::string identifier;
            if (appPath) {
                if (auto bundle = AppBundle::open(env_.layout, *appPath);
                    bundle && bundle->bundleIdentifier)
                    identifier = *bundle->bundleIdentifier;
            }
            if (identifier.empty()) identifier = label;
            if (!isLikelyBundleIdentifier(identifier)) continue;
            const std::string lower = lowercased(identifier);
            if (installed.contains(lower)) continue;
            // An application still on disk under this identifier keeps its agent.
            if (appPath && files::existsFollowingLinks(*appPath) &&
                AppBundle::open(env_.layout, *appPath))
                continue;
            if (lower.starts_with("com.apple.") || lower.starts_with(own)) continue;
            UnusedArtifact artifact;
            artifact.path = appPath && files::existsFollowingLinks(*appPath) ? *appPath : path;
            artifact.bundleIdentifier = identifier;
            artifact.displayName = displayName(identifier);
            out.push_back(std::move(artifact));
        }
    }
    return out;
}

bool UnusedArtifactDetector::programExists(const std::string& program) const {
    if (program.empty()) return true;  // nothing to judge by: assume it runs
    if (program.find('/') != std::string::npos) {
        if (program.front() != '/') return true;
        return files::existsFollowingLinks(program);
    }
    const char* pathVar = std::getenv("PATH");
    const std::string search = pathVar && *pathVar ? pathVar : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= search.size()) {
        auto colon = search.find(':', start);
        const std::string dir =
            search.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!dir.empty() && files::existsFollowingLinks(kit::joinPath(dir, program))) return true;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return false;
}

std::vector<UnusedArtifact> UnusedArtifactDetector::freedesktopEntries(
    const std::set<std::string>& installed) const {
    std::vector<UnusedArtifact> out;
    const std::string own = lowercased(env_.ownBundleId);
    for (const std::string& folder : env_.layout.loginItemFolders) {
        // System entries belong to installed packages and only an administrator could remove them.
        if (!platform::isPathInside(folder, env_.home()) &&
            !platform::isPathInside(folder, env_.layout.preferences))
            continue;
        const bool units = folder.ends_with("/systemd/user");
        auto names = files::listDirectory(folder);
        if (!names) continue;
        std::sort(names->begin(), names->end());
        for (const std::string& name : *names) {
            if (!name.ends_with(units ? ".service" : ".desktop")) continue;
            const std::string path = kit::joinPath(folder, name);
            const auto st = files::statEntry(path);
            // Links are enablements and masks the service manager made, not entries of their own.
            if (!st || !st->isRegular) continue;
            const auto command = units ? iniValue(path, "Service", "ExecStart")
                                       : iniValue(path, "Desktop Entry", "Exec");
            if (!command) continue;
            std::string line = *command;
            // systemd's prefixes (-, @, +, !, :) change how the program runs, not which.
            while (!line.empty() &&
                   std::string_view("-@+!:").find(line.front()) != std::string_view::npos)
                line.erase(0, 1);
            const auto words = splitCommand(line);
            if (words.empty()) continue;
            const std::string program = sanitizeExecutablePath(words.front(), env_.home());
            std::string identifier = kit::fileNameDeletepathExtension(name);
            bool gone = !programExists(program);
            // A flatpak is started through the flatpak command, which outlives the application.
            if (kit::directoryName(program) == "flatpak") {
                auto run = std::find(words.begin(), words.end(), "run");
                for (auto it = run == words.end() ? run : run + 1; it != words.end(); ++it) {
                    if (it->starts_with("-")) continue;
                    identifier = *it;
                    gone = !installed.contains(lowercased(identifier));
                    break;
                }
            }
            if (!gone) continue;
            if (identifier.empty() || identifier.find_first_of(" \t") != std::string::npos)
                continue;
            const std::string lower = lowercased(identifier);
            if (installed.contains(lower) || lower.starts_with(own)) continue;
            UnusedArtifact artifact;
            artifact.path = path;
            artifact.bundleIdentifier = identifier;
            artifact.displayName = displayName(identifier);
            out.push_back(std::move(artifact));
        }
    }
    return out;
}

}  // namespace orvane::junk
