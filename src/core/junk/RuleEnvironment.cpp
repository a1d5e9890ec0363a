#include "core/junk/RuleEnvironment.h"

#include <chrono>
#include <cstdlib>

#include "kit/Paths.h"

namespace orvane::junk {

namespace {

// LANGUAGE is a colon-separated preference list; LC_ALL, LC_MESSAGES and LANG name one locale
// ("de_CH.UTF-8"). "C" and "POSIX" are no language.
std::vector<std::string> languagesFromEnvironment() {
    std::vector<std::string> out;
    auto add = [&](std::string id) {
        if (auto dot = id.find_first_of(".@"); dot != std::string::npos) id.resize(dot);
        if (id.empty() || id == "C" || id == "POSIX") return;
        out.push_back(id);
    };
    if (const char* list = std::getenv("LANGUAGE"); list && *list) {
        std::string rest(list);
        std::size_t start = 0;
        while (start <= rest.size()) {
            auto colon = rest.find(':', start);
            add(rest.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
            if (colon == std::string::npos) break;
            start = colon + 1;
        }
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* v = std::getenv(name); v && *v) {
            add(v);
            break;
        }
    }
    return out;
}

}  // namespace

RuleEnvironment::RuleEnvironment(platform::Layout layoutIn)
    : layout(std::move(layoutIn)),
      now([] {
          return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
              .count();
      }),
      preferredLanguages(languagesFromEnvironment()),
      ownBundleId(kit::mainAppBundleID),
      ownDisplayName(kit::mainAppName) {
    if (!preferredLanguages.empty()) {
        localeLanguage = preferredLanguages.front();
        if (auto cut = localeLanguage.find_first_of("_-"); cut != std::string::npos)
            localeLanguage.resize(cut);
    }
}

std::string RuleEnvironment::expandTilde(const std::string& text) const {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '~') out += home();
        else out += c;
    }
    return out;
}

std::string standardizePath(const std::string& path) {
    if (path.empty()) return path;
    const bool absolute = path.front() == '/';
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        auto slash = path.find('/', start);
        std::string part =
            path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..") parts.pop_back();
            else if (!absolute) parts.push_back(part);
        } else if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    std::string out = absolute ? "/" : "";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) out += '/';
        out += parts[i];
    }
    return out.empty() ? "." : out;
}

}  // namespace orvane::junk
