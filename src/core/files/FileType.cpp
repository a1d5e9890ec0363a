#include "core/files/FileType.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "kit/Paths.h"

namespace orvane::files {

namespace {

// One map over all four tables; an extension in two tables keeps the earlier table's kind,
// which is what the ordered lookup decides.
const std::unordered_map<std::string_view, FileType>& kindTable() {
    static const auto table = [] {
        std::unordered_map<std::string_view, FileType> map;
        auto add = [&map](const auto& cases, FileType type) {
            for (std::string_view ext : cases) map.emplace(ext, type);
        };
        add(VideoFormat::allCases, FileType::video);
        add(AudioFormat::allCases, FileType::audio);
        add(PictureFormat::allCases, FileType::picture);
        add(DocumentFormat::allCases, FileType::document);
        return map;
    }();
    return table;
}

}  // namespace

bool lowercaseExtension(std::string_view extension, std::array<char, 16>& out,
                        std::size_t& length) {
    if (extension.size() > out.size()) return false;
    for (std::size_t i = 0; i < extension.size(); ++i) {
        const char c = extension[i];
        out[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    length = extension.size();
    return true;
}

FileType fileTypeForExtension(std::string_view extension) {
    std::array<char, 16> lower{};
    std::size_t length = 0;
    if (extension.empty() || !lowercaseExtension(extension, lower, length)) return FileType::other;
    const auto& table = kindTable();
    auto it = table.find(std::string_view(lower.data(), length));
    return it == table.end() ? FileType::other : it->second;
}

FileType fileTypeOfPath(std::string_view path) {
    return fileTypeForExtension(kit::pathExtension(path));
}

}  // namespace orvane::files
