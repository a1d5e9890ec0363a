#include "namer/BuiltinNamer.h"

#include <libexif/exif-data.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "core/renamer/ParserSupport.h"
#include "core/renamer/PerferenceSetting.h"
#include "core/renamer/TextRecognizer.h"
#include "namer/NameCleaner.h"

namespace orvane::namer {

namespace {

constexpr std::size_t kTitleCharacters = 60;
constexpr std::size_t kTitleWords = 10;
constexpr std::size_t kTellingWords = 4;

const std::set<std::string>& stopWords() {
    static const std::set<std::string> words = {
        "the",    "and",   "for",     "are",    "but",   "not",   "you",   "all",   "any",
        "can",    "had",   "her",     "was",    "one",   "our",   "out",   "day",   "get",
        "has",    "him",   "his",     "how",    "its",   "may",   "new",   "now",   "old",
        "see",    "two",   "who",     "did",    "yes",   "let",   "this",  "that",  "with",
        "from",   "have",  "will",    "your",   "they",  "them",  "then",  "than",  "there",
        "their",  "what",  "when",    "where",  "which", "while", "would", "could", "should",
        "about",  "into",  "more",    "most",   "some",  "such",  "only",  "also",  "very",
        "been",   "were",  "here",    "each",   "other", "these", "those", "over",  "after",
        "before", "under", "between", "sample", "row",   "null",  "true",  "false", "object",
        "array",  "count", "der",     "die",    "das",   "und",   "les",   "des",   "une",
        "est",    "pour",  "con",     "por",    "para",  "los",   "las",   "del"};
    return words;
}

bool isWordByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c >= 0x80;
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> out;
    std::string current;
    for (unsigned char c : text) {
        if (isWordByte(c)) {
            current += static_cast<char>(c);
        } else if (!current.empty()) {
            out.push_back(std::move(current));
            current.clear();
        }
    }
    if (!current.empty()) out.push_back(std::move(current));
    return out;
}

bool hasLetter(std::string_view w) {
    for (unsigned char c : w)
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80) return true;
    return false;
}

// Markup that starts a line but is not part of its words.
std::string stripLineMarkers(std::string line) {
    std::size_t i = 0;
    while (i < line.size() &&
           (line[i] == '#' || line[i] == '*' || line[i] == '>' || line[i] == '-' ||
            line[i] == '=' || line[i] == ' ' || line[i] == '\t'))
        ++i;
    return renamer::trim(std::string_view(line).substr(i));
}

std::string firstLine(std::string_view text) {
    while (!text.empty()) {
        const auto nl = text.find_first_of("\r\n");
        std::string line = stripLineMarkers(std::string(text.substr(0, nl)));
        if (!line.empty() && hasLetter(line)) return line;
        if (nl == std::string_view::npos) break;
        text.remove_prefix(nl + 1);
    }
    return {};
}

std::string tellingWords(std::string_view text) {
    std::map<std::string, std::pair<int, std::size_t>> seen;  // lower word → (count, first index)
    std::vector<std::string> original;
    const auto all = words(text);
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::string& w = all[i];
        if (!hasLetter(w) || w.size() < 3 || w.size() > 40) continue;
        const std::string key = lower(w);
        if (stopWords().count(key)) continue;
        auto [it, inserted] = seen.try_emplace(key, 0, original.size());
        if (inserted) original.push_back(w);
        ++it->second.first;
    }
    std::vector<std::pair<std::string, std::pair<int, std::size_t>>> ranked(seen.begin(),
                                                                            seen.end());
    std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
        if (a.second.first != b.second.first) return a.second.first > b.second.first;
        return a.second.second < b.second.second;
    });
    if (ranked.size() > kTellingWords) ranked.resize(kTellingWords);
    std::sort(ranked.begin(), ranked.end(),
              [](const auto& a, const auto& b) { return a.second.second < b.second.second; });
    std::string out;
    for (const auto& r : ranked) {
        if (!out.empty()) out += ' ';
        out += original[r.second.second];
    }
    return out;
}

bool digitsAt(std::string_view s, std::size_t i, std::size_t n) {
    if (i + n > s.size()) return false;
    for (std::size_t k = 0; k < n; ++k)
        if (s[i + k] < '0' || s[i + k] > '9') return false;
    return true;
}

}  // namespace

std::string BuiltinNamer::contentPhrase(std::string_view text) {
    // A table summary names its columns; the header is the telling part.
    if (text.starts_with("row:")) {
        const auto end = text.find(" sample:");
        std::string header(
            text.substr(4, end == std::string_view::npos ? text.size() - 4 : end - 4));
        std::replace(header.begin(), header.end(), ',', ' ');
        const std::string phrase = tellingWords(header);
        return phrase.empty() ? std::string() : phrase + " table";
    }
    // A short first line or heading reads as the title.
    const std::string line = firstLine(text);
    if (!line.empty() && renamer::prefixCharacters(line, kTitleCharacters).size() == line.size() &&
        words(line).size() <= kTitleWords && line.find(" | ") == std::string::npos)
        return line;
    return tellingWords(text);
}

std::string BuiltinNamer::normalizedDate(std::string_view text) {
    for (std::size_t i = 0; i + 8 <= text.size(); ++i) {
        // 2026-12-06, 2026/12/06 and EXIF's 2026:12:06
        if (digitsAt(text, i, 4) && i + 10 <= text.size() &&
            (text[i + 4] == '-' || text[i + 4] == ':' || text[i + 4] == '/') &&
            text[i + 7] == text[i + 4] && digitsAt(text, i + 5, 2) && digitsAt(text, i + 8, 2))
            return std::string(text.substr(i, 4)) + "-" + std::string(text.substr(i + 5, 2)) + "-" +
                   std::string(text.substr(i + 8, 2));
        // PDF's D:20261206...
        if (text.substr(i).starts_with("D:") && digitsAt(text, i + 2, 8))
            return std::string(text.substr(i + 2, 4)) + "-" + std::string(text.substr(i + 6, 2)) +
                   "-" + std::string(text.substr(i + 8, 2));
    }
    return {};
}

std::string BuiltinNamer::exifDate(std::string_view imageBytes) {
    if (imageBytes.size() > 64u * 1024 * 1024) return {};
    ExifData* data =
        exif_data_new_from_data(reinterpret_cast<const unsigned char*>(imageBytes.data()),
                                static_cast<unsigned int>(imageBytes.size()));
    if (!data) return {};
    std::string date;
    for (ExifTag tag :
         {EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_TAG_DATE_TIME_DIGITIZED, EXIF_TAG_DATE_TIME}) {
        ExifEntry* entry = exif_data_get_entry(data, tag);
        if (!entry) continue;
        char value[64] = {0};
        exif_entry_get_value(entry, value, sizeof value);
        date = normalizedDate(value);
        if (!date.empty()) break;
    }
    exif_data_unref(data);
    return date;
}

NameSuggestion BuiltinNamer::suggest(const NameRequest& request) const {
    std::string content, date = normalizedDate(request.date);
    if (request.isImage()) {
        const auto bytes = decodeDataURL(request.content);
        if (!bytes) return NameSuggestion::failure("The image data could not be decoded.");
        std::string ocrError;
        content = contentPhrase(renamer::TextRecognizer::recognizeEncoded(*bytes, ocrError));
        if (date.empty()) date = exifDate(*bytes);
    } else {
        content = contentPhrase(request.content);
    }
    const std::string owner = NameCleaner::cleanBase(request.owner, 30);
    // The content gives way first when the name grows long, so owner and date always fit.
    std::size_t fixed = request.fileExtension.size() + 1;
    if (!owner.empty()) fixed += owner.size() + 1;
    if (!date.empty()) fixed += date.size() + 1;
    content = NameCleaner::cleanBase(content, NameCleaner::kMaxCharacters > fixed + 12
                                                  ? NameCleaner::kMaxCharacters - fixed
                                                  : 12);

    const auto order = renamer::perferenceSettingFromFormateNum(request.formateNum)
                           .value_or(renamer::PerferenceSetting::content);
    std::string name;
    for (char part : renamer::partOrder(order)) {
        const std::string& piece = part == 'c' ? content : part == 'o' ? owner : date;
        if (piece.empty()) continue;
        if (!name.empty()) name += '_';
        name += piece;
    }
    // With content only asked for and none found, the date still tells files apart.
    if (name.empty() && !date.empty()) name = date;
    if (name.empty()) return NameSuggestion::failure("Nothing in the file tells what to name it.");
    std::string cleaned = NameCleaner::clean(name, request.fileExtension);
    if (cleaned.empty())
        return NameSuggestion::failure("Nothing in the file tells what to name it.");
    return {cleaned, {}};
}

}  // namespace orvane::namer
