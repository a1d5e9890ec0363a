#pragma once

#include <string>
#include <vector>

namespace orvane::apps::testing {

// Stand-ins for flatpak, snap and apt-get, which cannot act on this machine: executables in a
// folder that becomes the whole PATH for the fixture's lifetime. Each records how it was called
// (one line per call: the tool's name and its arguments, separated by single spaces) and answers
// with what the test set for those arguments. A tool not made is missing, as on a machine
// without it.
class FakeTools {
public:
    explicit FakeTools(std::string folder);
    ~FakeTools();
    FakeTools(const FakeTools&) = delete;
    FakeTools& operator=(const FakeTools&) = delete;

    // Makes `tool` exist; unless answered, a call prints nothing and succeeds.
    void install(const std::string& tool);
    // What `tool` prints and returns when called with exactly `arguments` (space-separated),
    // or, when no exact answer exists, with a first argument of `arguments`.
    void answer(const std::string& tool, const std::string& arguments, const std::string& out,
                int status = 0, const std::string& err = "");
    // A shell snippet the tool runs for those arguments before answering (to remove what the
    // real tool would remove).
    void onCall(const std::string& tool, const std::string& arguments, const std::string& script);

    std::vector<std::string> calls() const;
    const std::string& folder() const { return folder_; }

private:
    std::string key(const std::string& tool, const std::string& arguments) const;
    std::string folder_;
    std::string savedPath_;
};

}  // namespace orvane::apps::testing
