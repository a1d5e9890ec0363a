#include "core/renamer/FileNameRules.h"

#include "core/renamer/ParserSupport.h"

namespace orvane::renamer::FileNameRules {

namespace {

// The extension of a name as the renamer sees it: after the last dot, not a leading dot.
std::string_view extensionOf(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return {};
    return name.substr(dot + 1);
}

}  // namespace

std::optional<std::string> validated(std::string_view name, std::string* why) {
    auto refuse = [why](const char* reason) -> std::optional<std::string> {
        if (why) *why = reason;
        return std::nullopt;
    };
    const std::string trimmed = trim(name);
    if (trimmed.empty()) return refuse("The new name is empty.");
    if (trimmed == "." || trimmed == "..") return refuse("\".\" and \"..\" are not file names.");
    for (unsigned char c : trimmed) {
        if (c == '/') return refuse("A file name cannot contain \"/\".");
        if (c < 0x20 || c == 0x7F) return refuse("A file name cannot contain control characters.");
    }
    if (trimmed.front() == '.') return refuse("A name starting with a dot would hide the file.");
    if (trimmed.size() > kMaxNameBytes) return refuse("The new name is too long.");
    return trimmed;
}

std::string withExtensionOf(std::string_view newName, std::string_view oldPath) {
    const std::string oldName = fileNameOf(oldPath);
    const std::string_view oldExt = extensionOf(oldName);
    if (!extensionOf(newName).empty() || oldExt.empty()) return std::string(newName);
    return std::string(newName) + "." + std::string(oldExt);
}

std::string numbered(std::string_view name, int n) {
    const std::string_view ext = extensionOf(name);
    const std::string_view base = ext.empty() ? name : name.substr(0, name.size() - ext.size() - 1);
    std::string out = std::string(base) + "(" + std::to_string(n) + ")";
    if (!ext.empty()) out += "." + std::string(ext);
    return out;
}

}  // namespace orvane::renamer::FileNameRules
