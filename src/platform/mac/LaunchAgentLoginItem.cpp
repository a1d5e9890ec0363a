#include "platform/mac/LaunchAgentLoginItem.h"

#include <plist/plist.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include "kit/Localization.h"
#include "platform/AtomicFile.h"

namespace orvane::platform {

namespace {

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using Plist = std::unique_ptr<void, PlistDeleter>;

bool boolItem(plist_t dict, const char* key, bool fallback) {
    plist_t item = plist_dict_get_item(dict, key);
    if (!item || plist_get_node_type(item) != PLIST_BOOLEAN) return fallback;
    uint8_t value = 0;
    plist_get_bool_val(item, &value);
    return value != 0;
}

}  // namespace

LaunchAgentLoginItem::LaunchAgentLoginItem(std::string plistFile, std::string programPath,
                                           std::string label)
    : plistFile_(std::move(plistFile)),
      programPath_(std::move(programPath)),
      label_(std::move(label)) {}

Outcome LaunchAgentLoginItem::setEnabled(bool enabled) {
    if (!enabled) {
        if (::unlink(plistFile_.c_str()) == 0 || errno == ENOENT) return Outcome::success();
        return Outcome::failure(kit::formatLocalized(
            "Orvane could not be removed from the login items: %@", {std::strerror(errno)}));
    }
    Plist dict(plist_new_dict());
    plist_dict_set_item(dict.get(), "Label", plist_new_string(label_.c_str()));
    plist_t arguments = plist_new_array();
    plist_array_append_item(arguments, plist_new_string(programPath_.c_str()));
    plist_array_append_item(arguments, plist_new_string("--background"));
    plist_dict_set_item(dict.get(), "ProgramArguments", arguments);
    plist_dict_set_item(dict.get(), "RunAtLoad", plist_new_bool(1));
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(dict.get(), &xml, &length);
    if (!xml)
        return Outcome::failure(kit::localized("Orvane could not be added to the login items."));
    Outcome written = writeFileAtomically(plistFile_, std::string_view(xml, length));
    plist_to_xml_free(xml);
    if (!written) {
        return Outcome::failure(kit::formatLocalized(
            "Orvane could not be added to the login items: %@", {written.error}));
    }
    return written;
}

bool LaunchAgentLoginItem::isEnabled() const {
    std::ifstream in(plistFile_, std::ios::binary);
    if (!in) return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) return false;
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    Plist owner(root);
    if (!root || plist_get_node_type(root) != PLIST_DICT) return false;
    return boolItem(root, "RunAtLoad", false) && !boolItem(root, "Disabled", false);
}

}  // namespace orvane::platform
