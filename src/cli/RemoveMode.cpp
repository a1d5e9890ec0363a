#include "cli/RemoveMode.h"

#include "kit/Paths.h"

namespace orvane::cli {

std::optional<files::RemoveType> parseRemoveMode(const std::string& text, std::string& error) {
    if (text == "trash") return files::RemoveType::trash();
    if (text == "delete") return files::RemoveType::forever();
    if (text.starts_with("move=") && text.size() > 5) {
        const std::string folder = kit::absolutePath(text.substr(5));
        if (!kit::isFolder(folder)) {
            error = "--remove: '" + text.substr(5) + "' is not a folder";
            return std::nullopt;
        }
        return files::RemoveType::folder(folder);
    }
    error = "--remove: '" + text + "' is not a removal mode (trash, delete or move=DIR)";
    return std::nullopt;
}

}  // namespace orvane::cli
