#pragma once

#include <array>
#include <string_view>

namespace orvane::files {

// Extensions of files the duplicate finder never records: code, configuration and library
// files whose copies belong to the programs that hold them.
struct IgnoresPathExtention {
    static constexpr std::array<std::string_view, 20> allCases = {
        "framework", "dylib", "json", "ini", "toml", "yaml", "xml", "xib", "db",  "plist",
        "strings",   "swift", "m",    "mm",  "pch",  "h",    "sh",  "c",   "cpp", "py"};

    // Case-insensitive: "JSON" is ignored like "json".
    static bool contains(std::string_view extension);
};

}  // namespace orvane::files
