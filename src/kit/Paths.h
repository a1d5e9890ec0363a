#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::kit {

// The application's identity; the login-item helper's identifier derives from it.
inline constexpr std::string_view mainAppBundleID = "com.orvane.app";
inline constexpr std::string_view mainAppName = "Orvane";
inline constexpr std::string_view launchHelperBundleId = "com.orvane.app.LaunchHelper";

// The user's real home folder: $HOME when set (so tests and scripts can point it elsewhere),
// else the password database entry.
std::string customHomeDirectory();
// XDG_PICTURES_DIR from user-dirs.dirs, else ~/Pictures.
std::string picturesDirectory();
// The label of the volume that holds "/", or nothing when it has none.
std::optional<std::string> getVolumeName();

// Last component of a path ("/a/b/" → "b"; "/" → "/").
std::string directoryName(std::string_view path);
// Last component without its extension ("x/report.tar.gz" → "report.tar", ".bashrc" stays).
std::string fileNameDeletepathExtension(std::string_view path);
// Extension of the last component without the dot, as stored ("a/B.JPG" → "JPG"; "" if none;
// a leading dot alone is not an extension).
std::string_view pathExtension(std::string_view path);
// Everything before the last component ("/a/b" → "/a"; "/a" → "/").
std::string parentPath(std::string_view path);
// Lexical join that never doubles a slash.
std::string joinPath(std::string_view dir, std::string_view name);
// The path without its trailing slashes ("/a/b//" → "/a/b"); "/" stays "/", "" stays "".
std::string_view withoutTrailingSlashes(std::string_view path);
// The path made absolute against the working folder and normalised as text (no link is
// resolved, so the user's spelling of a linked folder survives), without trailing slashes.
std::string absolutePath(std::string_view path);
// True when the path names a folder, following links as stat does.
bool isFolder(const std::string& path);

// $XDG_CONFIG_HOME/<bundle id> (default ~/.config/<bundle id>). Created on demand.
std::string applicationSupportDirectory(std::string_view bundleId = mainAppBundleID);
// $XDG_STATE_HOME/<bundle id> (default ~/.local/state/<bundle id>). Created on demand.
std::string logDirectory(std::string_view bundleId = mainAppBundleID);

// A path as display text: invalid UTF-8 bytes become U+FFFD. For labels only; every operation
// keeps the original bytes.
std::string displayPath(std::string_view path);
bool isValidUtf8(std::string_view text);

// A name as a terminal should show it: unchanged when it is valid UTF-8 without control
// characters; otherwise quoted as $'...' with each such byte escaped, the way a shell reads it
// back. No name can then move the cursor, recolour the screen or pass for two lines, and the
// quoted form still names the real file.
std::string terminalPath(std::string_view path);

// Text cut to at most `columns` characters (code points, each taken as one column), the middle
// giving way to "…" so a path keeps both its start and its file name. Never splits a character.
std::string elideMiddle(std::string_view text, std::size_t columns);
// The characters (code points) of UTF-8 text; each byte that starts none counts for nothing.
std::size_t codePointCount(std::string_view text);

}  // namespace orvane::kit
