#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::renamer {

// Turns the bytes of a text file into UTF-8 the way a desktop reader would: a byte-order mark
// decides, then valid UTF-8 is taken as is, then ICU's charset detector picks the encoding.
// Nothing comes back for bytes that are not text (NUL bytes outside UTF-16, many control
// characters), so binary data named .txt is refused instead of summarised as noise.
std::optional<std::string> decodeDetected(std::string_view bytes);

// Strict conversion from the named charset ("UTF-8", "UTF-16", "UTF-16LE", "GB18030") to
// UTF-8: nothing comes back if any sequence is invalid in that charset.
std::optional<std::string> decodeStrict(std::string_view bytes, const char* charset);

// Whether decoded text looks like binary data (control characters other than white space
// make up more than a small share of it).
bool looksBinary(std::string_view utf8);

// Drops a multi-byte UTF-8 sequence cut off at the end of a prefix read.
std::string_view trimIncompleteUtf8Tail(std::string_view bytes);

}  // namespace orvane::renamer
