#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/renamer/ExtractedSummary.h"
#include "core/renamer/ParseResult.h"

namespace orvane::renamer {

// Free text in a summary is cut to this many characters.
inline constexpr std::size_t kContentCharacters = 500;

// The extension of the last path component, lower-cased ASCII, without the dot.
std::string lowerExtension(std::string_view path);
// Last path component.
std::string fileNameOf(std::string_view path);

// Reads at most `maxBytes` of a regular file into `out`. A FIFO, device or folder is refused
// before any read, so a hostile name never blocks the program; nothing is ever written.
std::optional<ParseError> readFileCapped(const std::string& path, std::size_t maxBytes,
                                         std::string& out, const std::string& domain);

// The file's birth time as the display text the whole program uses, when the file system keeps
// one (ext4, btrfs, xfs and tmpfs do).
std::optional<std::string> creationTimeText(const std::string& path);

// A summary with "name" and "type" filled.
ExtractedSummary baseSummary(const std::string& fileName, const std::string& typeLabel);

// The first `count` characters (code points) of UTF-8 text.
std::string prefixCharacters(std::string_view text, std::size_t count = kContentCharacters);
// Runs of white space become one space; ends trimmed.
std::string normalizeWhitespace(std::string_view text);
std::string trim(std::string_view text);
// Invalid UTF-8 bytes become U+FFFD and NUL characters are dropped.
std::string toValidUtf8(std::string_view text);

}  // namespace orvane::renamer
