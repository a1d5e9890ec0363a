#include "core/renamer/XMLTopNodeParser.h"

#include "core/renamer/ParserSupport.h"
#include "core/renamer/XmlStreamReader.h"

namespace orvane::renamer {

namespace {

Attributes attributesOf(XmlStreamReader& reader) {
    Attributes attrs;
    reader.forEachAttribute([&attrs](std::string_view name, std::string_view value) {
        if (attrs.size() < XMLTopNodeParser::kMaxAttributes)
            attrs.emplace_back(std::string(name), prefixCharacters(value, 80));
    });
    return attrs;
}

}  // namespace

bool XMLTopNodeParser::parse(std::string_view bytes, std::string& error) {
    summaries_.reserve(kMaxSummaries);
    XmlStreamReader reader(bytes);
    while (reader.next()) {
        if (!reader.isStartElement()) continue;
        depth = reader.depth();
        if (depth == 0) {
            rootName_ = std::string(reader.name());
        } else if (depth == 1) {
            if (summaries_.size() >= kMaxSummaries) return true;
            summaries_.push_back(
                ChildSummary{std::string(reader.name()), attributesOf(reader), {}, {}});
            current = &summaries_.back();
        } else if (depth == 2 && current) {
            currentSecondLevelName = std::string(reader.name());
            currentSecondLevelAttrs = attributesOf(reader);
            current->countChild(currentSecondLevelName);
            if (!currentSecondLevelAttrs.empty() && current->partSamples.size() < kMaxSamples)
                current->partSamples.push_back(currentSecondLevelAttrs);
        }
    }
    if (reader.failed()) {
        error = "The XML could not be read: " + reader.error();
        return false;
    }
    if (rootName_.empty()) {
        error = "The file holds no XML element.";
        return false;
    }
    return true;
}

std::vector<std::pair<std::string, std::string>> XMLTopNodeParser::pairs() const {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& s : summaries_) out.emplace_back(s.name, s.describe());
    return out;
}

}  // namespace orvane::renamer
