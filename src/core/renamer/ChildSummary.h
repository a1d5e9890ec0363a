#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace orvane::renamer {

using Attributes = std::vector<std::pair<std::string, std::string>>;

// One first-level element of an XML document: its name and attributes, how often each kind of
// child occurs, and the attributes of a few of those children.
struct ChildSummary {
    std::string name;
    Attributes attributes;
    std::vector<std::pair<std::string, std::size_t>> childTagCount;  // in order of appearance
    std::vector<Attributes> partSamples;

    void countChild(const std::string& tag);
    // "attrs(id=1,lang=en) children(item:3,note:1) samples((sku=A1),(sku=B2))", parts that
    // are empty left out.
    std::string describe() const;
};

}  // namespace orvane::renamer
