#pragma once

#include <string>

namespace orvane::platform::testing {

// GLib reads HOME and the XDG variables once, at its first use, and keeps them for the life of
// the process. This test binary therefore moves into a private home before main() runs, so that
// nothing GIO does in a test can reach the developer's own Trash or settings. Tests ask GLib
// itself (g_get_user_data_dir) where it looks.
//
// The folder holding that home and the handlers' log.
const std::string& glibRoot();
// The default handlers for folders and text files installed there append one line per call to
// this file: "orvane-test-folders <uri>" or "orvane-test-files <uri>".
std::string openedLog();

}  // namespace orvane::platform::testing
