#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "support/CliRun.h"
#include "support/TempTree.h"

#ifdef ORVANE_CLI_PATH

namespace orvane::testing {

using ::testing::HasSubstr;
using ::testing::Not;

// The real `orvane` program run as a user would run it, against a private home (HOME and the
// XDG folders) inside a temporary tree, so no case ever reads or changes the developer's own.
class CliTest : public ::testing::Test {
protected:
    TempTree tree;
    ScopedHome home{tree};

    // `orvane <args>`, the arguments already shell-quoted.
    CliRun orvane(const std::string& args) { return runCli(tree, ORVANE_CLI_PATH, args); }
    // The same, bound by file permissions as a user is (see runCliAsUser).
    CliRun orvaneAsUser(const std::string& args) {
        return runCliAsUser(tree, ORVANE_CLI_PATH, args);
    }
    // `rel` inside the tree as one shell word.
    std::string q(std::string_view rel) const { return "'" + tree.path(rel) + "'"; }
    // What a run printed on standard output, read as the one JSON document it must be.
    static nlohmann::json json(const CliRun& r) { return nlohmann::json::parse(r.out); }
    // The settings file the program reads from the private home.
    std::string settingsPath() const {
        return home.home() + "/.config/com.orvane.app/PreferenceInfo.plist";
    }
    // `rel` below the private home's state folder (journal, usage events).
    std::string statePath(std::string_view rel) const {
        return home.home() + "/.local/state/com.orvane.app/" + std::string(rel);
    }
};

}  // namespace orvane::testing

#endif
