#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::settings {

// How large a property list may become once parsed. The parser and its clean-up recurse once per
// level and a binary list may name one object from many places, each of which is copied: a file
// of a few hundred bytes can otherwise unfold into billions of nodes or a stack overflow.
struct PlistBounds {
    int maxDepth = 64;
    std::uint64_t maxNodes = 100'000;
};

// What a walk over a document's real structure found: XML token by token (comments, CDATA,
// processing instructions and quoted attributes skipped as a parser skips them, every end tag
// matched to its start tag); binary through its object table, following every reference.
struct PlistShape {
    int depth = 0;            // deepest nesting of elements (XML) or objects (binary)
    std::uint64_t nodes = 0;  // elements, or objects counted once per place they are used
    std::optional<std::string> problem;  // why the document is refused; nothing when it is not
};
PlistShape plistShape(std::string_view bytes, const PlistBounds& bounds = {});

// Why the document is refused, or nothing when it stays within the bounds. Only a document
// accepted here is handed to the property-list library.
std::optional<std::string> plistBoundsProblem(std::string_view bytes,
                                              const PlistBounds& bounds = {});

}  // namespace orvane::settings
