#pragma once

#include <optional>
#include <string>

#include "core/settings/PlistValue.h"

namespace orvane::settings {

// Reading a settings file has three outcomes that callers treat differently: a missing file is
// created with defaults, a damaged one is left alone until the user saves over it.
struct PlistReadResult {
    enum class Status { ok, missing, unreadable };
    Status status = Status::missing;
    Dictionary dict;    // empty unless ok
    std::string error;  // why it could not be read, for the log
};
PlistReadResult readPlistFile(const std::string& path);

// Writes the dictionary as an XML property list so that a crash or a full disk never leaves a
// half-written file: temporary file in the same folder, fsync, rename over the old one, fsync of
// the folder. Creates missing parent folders. Returns false and an error text on failure; the
// previous file is then untouched.
bool writePlistFileAtomic(const std::string& path, const Dictionary& dict, std::string* error);

// Copies a file that could not be parsed to "<path>.corrupt" before it is replaced, so that a
// damaged settings file can still be looked at or repaired by hand.
void keepDamagedCopy(const std::string& path);

}  // namespace orvane::settings
