#include "helper/HelperPolicy.h"

#include "kit/Paths.h"
#include "platform/Layout.h"

namespace orvane::helper {

namespace {

std::string quoted(std::string_view path) { return "“" + kit::displayPath(path) + "”"; }

bool isLowerAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

}  // namespace

HelperPolicy::HelperPolicy(std::vector<std::string> protectedLocations) {
    for (std::string& location : protectedLocations) {
        std::string trimmed(kit::withoutTrailingSlashes(location));
        // A relative or empty location, or "/" itself, would make everything protected.
        if (trimmed.size() > 1 && trimmed.front() == '/') locations_.push_back(std::move(trimmed));
    }
}

HelperPolicy::Verdict HelperPolicy::checkPath(std::string_view path) const {
    Verdict v;
    if (path.empty()) {
        v.reason = "The path is empty.";
        return v;
    }
    if (path.find('\0') != std::string_view::npos) {
        v.reason = "The path contains a NUL byte.";
        return v;
    }
    if (path.front() != '/') {
        v.reason = quoted(path) + " is not an absolute path.";
        return v;
    }
    std::string normalized;
    std::size_t i = 0;
    while (i < path.size()) {
        while (i < path.size() && path[i] == '/') ++i;
        std::size_t j = i;
        while (j < path.size() && path[j] != '/') ++j;
        if (j == i) break;
        const std::string_view part = path.substr(i, j - i);
        if (part == "." || part == "..") {
            v.reason = quoted(path) + " contains “.” or “..”; only plain paths are accepted.";
            return v;
        }
        normalized += '/';
        normalized += part;
        i = j;
    }
    if (normalized.empty()) normalized = "/";
    v.normalized = normalized;
    for (const std::string& location : locations_) {
        if (normalized == location) {
            v.reason = quoted(normalized) +
                       " is a protected location itself; only what lies inside it can be removed.";
            return v;
        }
        if (platform::isPathInside(normalized, location)) {
            v.ok = true;
            return v;
        }
    }
    std::string list;
    for (const std::string& location : locations_) list += (list.empty() ? "" : ", ") + location;
    v.reason = quoted(normalized) + " lies outside the protected locations (" + list +
               "); the administrator helper removes nothing else.";
    return v;
}

bool HelperPolicy::isDebianPackageName(std::string_view name) {
    std::string_view arch;
    if (const std::size_t colon = name.find(':'); colon != std::string_view::npos) {
        arch = name.substr(colon + 1);
        name = name.substr(0, colon);
        if (arch.empty() || !isLowerAlnum(arch.front())) return false;
        for (char c : arch)
            if (!isLowerAlnum(c) && c != '-') return false;
    }
    if (name.size() < 2 || !isLowerAlnum(name.front())) return false;
    for (char c : name)
        if (!isLowerAlnum(c) && c != '+' && c != '-' && c != '.') return false;
    return true;
}

}  // namespace orvane::helper
