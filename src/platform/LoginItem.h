#pragma once

#include <memory>
#include <string>

#include "platform/Outcome.h"

namespace orvane::platform {

struct Layout;

// Starts the program when the user logs in. The entry runs the program with "--background" so
// that it comes up without its window.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    virtual Outcome setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
};

// The login item of the layout (its loginItemFile) for the program at `programPath`.
std::unique_ptr<LoginItem> makeLoginItem(const Layout& layout, std::string programPath);

// The program a login entry should start: the installed copy (a program of the same name on
// the search path `searchPath`, as in $PATH) when there is one, so that the entry keeps working
// after the build or download it was first enabled from is gone; else `runningProgram` itself.
std::string loginItemProgram(const std::string& runningProgram, const char* searchPath);

}  // namespace orvane::platform
