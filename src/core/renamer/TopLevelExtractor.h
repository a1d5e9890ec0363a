#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvane::renamer {

using NamedPairs = std::vector<std::pair<std::string, std::string>>;

// The top level of a JSON or YAML document as name/value pairs: one per key of an object (the
// value described briefly: "Object(a,b)", "Array(count:3)" or its plain text), or "[0]".."[2]"
// for the first elements of an array.
class TopLevelExtractor {
public:
    static constexpr std::size_t kMaxPairs = 40;
    static constexpr std::size_t kArrayElements = 3;

    // False with `error` set when the document is not valid. JSON is read as a stream of
    // events, so a 20 MiB document is never built in memory.
    static bool fromJSON(std::string_view bytes, NamedPairs& pairs, std::string& error);
    static bool fromYAML(std::string_view bytes, NamedPairs& pairs, std::string& error);
};

}  // namespace orvane::renamer
