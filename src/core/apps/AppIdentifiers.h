#pragma once

#include <string_view>

namespace orvane::apps {

// Whether a folder or file name reads as an application's bundle identifier: at least three
// non-empty dot-separated parts and none of the fragments that belong to the system or to
// vendors whose files are shared by several programs.
bool isValidBundleID(std::string_view name);

// A stricter reading for the freedesktop data folders, where names with dots are common
// ("monitors.xml.bak", "event-sound-cache.tdb.<id>.x86_64-pc-linux-gnu"): a reverse-DNS name
// whose first part is a top-level domain and whose parts are D-Bus name elements.
bool isReverseDnsName(std::string_view name);

// Flatpak application ids: D-Bus well-known names of at least three elements, 255 bytes at most.
bool isFlatpakAppId(std::string_view name);

// Snap names with an optional instance key ("name" or "name_key"): lower-case letters, digits
// and hyphens, 40 bytes at most.
bool isSnapInstanceName(std::string_view name);

// Whether a name can stand for an application in paths and lists: printable UTF-8 without a
// slash or a control character, not "." or "..".
bool isPrintableName(std::string_view name);

}  // namespace orvane::apps
