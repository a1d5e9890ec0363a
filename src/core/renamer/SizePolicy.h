#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

namespace orvane::renamer {

// How large a file may be to be summarised and sent, by kind.
namespace SizePolicy {

inline constexpr std::uint64_t kImageLimit = 52'428'800;      // 50 MiB
inline constexpr std::uint64_t kDocumentLimit = 20'971'520;   // 20 MiB
inline constexpr std::uint64_t kUploadThreshold = 5'242'880;  // 5 MiB

enum Kind { image = 0, document = 1, other = 2 };

Kind kind(std::string_view path);
bool isImageExtension(std::string_view lowerExtension);
bool isDocumentExtension(std::string_view lowerExtension);

// Whether a file of this kind and size may be added; other kinds never. Fails with the file
// system's error when the size cannot be read (the file is not followed through a symlink chain
// beyond what stat does; a missing size counts as 0).
bool canAdd(std::string_view path, std::error_code& ec);
bool parseThenUpload(std::string_view path, std::error_code& ec);

// The limit for a path's kind (0 for other kinds).
std::uint64_t limitFor(std::string_view path);

}  // namespace SizePolicy

}  // namespace orvane::renamer
