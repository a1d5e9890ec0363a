#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::renamer {

// What a new file name may be: one path component, no control characters, not "." or "..",
// not hidden by a leading dot, and short enough for every common file system.
namespace FileNameRules {

inline constexpr std::size_t kMaxNameBytes = 255;

// Trims surrounding white space; nothing comes back (and `why` says why) when the name is not
// usable as it stands.
std::optional<std::string> validated(std::string_view name, std::string* why = nullptr);

// The name with the old file's extension appended when it has none of its own.
std::string withExtensionOf(std::string_view newName, std::string_view oldPath);

// "base(n).ext" (or "base(n)" without extension).
std::string numbered(std::string_view name, int n);

}  // namespace FileNameRules

}  // namespace orvane::renamer
