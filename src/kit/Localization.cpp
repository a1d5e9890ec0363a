#include "kit/Localization.h"

#include <string>
#include <unordered_map>

namespace orvane::kit {

namespace {

// Only keys whose display text differs from the key itself need an entry.
const std::unordered_map<std::string_view, std::string_view>& catalog() {
    static const std::unordered_map<std::string_view, std::string_view> table = {
        {"Duplicate_Files", "Duplicate Files"},
        // Keys as the screens have always named them, worded and spaced consistently for display.
        {"Searching for Duplicate", "Searching for Duplicates"},
        {"Over 5GB", "Over 5 GB"},
        {"1 GB to 5GB", "1 GB to 5 GB"},
        {"500 MB  to 1 GB", "500 MB to 1 GB"},
        {"更新详情", "Update details"},
    };
    return table;
}

}  // namespace

std::string localized(std::string_view key) {
    const auto& table = catalog();
    if (auto it = table.find(key); it != table.end()) return std::string(it->second);
    return std::string(key);
}

std::string formatLocalized(std::string_view key, std::initializer_list<std::string_view> args) {
    std::string text = localized(key);
    std::string out;
    out.reserve(text.size() + 32);
    auto arg = args.begin();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '@' && arg != args.end()) {
            out.append(*arg++);
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

}  // namespace orvane::kit
