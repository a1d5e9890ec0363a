#include "core/renamer/ChildSummary.h"

namespace orvane::renamer {

namespace {

std::string joinAttributes(const Attributes& attrs) {
    std::string out;
    for (std::size_t i = 0; i < attrs.size(); ++i) {
        if (i) out += ',';
        out += attrs[i].first + "=" + attrs[i].second;
    }
    return out;
}

}  // namespace

void ChildSummary::countChild(const std::string& tag) {
    for (auto& [name, count] : childTagCount) {
        if (name == tag) {
            ++count;
            return;
        }
    }
    // Hostile documents can have thousands of distinct tags; the summary needs a handful.
    if (childTagCount.size() < 32) childTagCount.emplace_back(tag, 1);
}

std::string ChildSummary::describe() const {
    std::string out;
    auto part = [&out](const std::string& text) {
        if (!out.empty()) out += ' ';
        out += text;
    };
    if (!attributes.empty()) part("attrs(" + joinAttributes(attributes) + ")");
    if (!childTagCount.empty()) {
        std::string children;
        for (std::size_t i = 0; i < childTagCount.size(); ++i) {
            if (i) children += ',';
            children += childTagCount[i].first + ":" + std::to_string(childTagCount[i].second);
        }
        part("children(" + children + ")");
    }
    if (!partSamples.empty()) {
        std::string samples;
        for (std::size_t i = 0; i < partSamples.size(); ++i) {
            if (i) samples += ',';
            samples += "(" + joinAttributes(partSamples[i]) + ")";
        }
        part("samples(" + samples + ")");
    }
    return out;
}

}  // namespace orvane::renamer
