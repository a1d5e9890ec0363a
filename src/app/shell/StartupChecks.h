#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace orvane::app {

// The two checks made once the main window exists: too little free space on the home volume,
// and a Trash folder the program may not read.
class StartupChecks {
public:
    using FreeSpaceReader = std::function<std::optional<std::uint64_t>(const std::string&)>;

    // Below 200 MB (decimal) the program can't work properly.
    static bool isSpaceInsufficient(std::uint64_t freeBytes);
    // The Trash folder of the user ($XDG_DATA_HOME/Trash).
    static std::string trashFolder();
    // False only when the folder exists but cannot be listed: a Trash nobody used yet is fine.
    static bool isTrashReadable(const std::string& path);
    static std::optional<std::uint64_t> homeFreeSpace(const std::string& home);

    // Runs both checks against `window`, waiting for it to be shown (retrying every second, three
    // times at most). Alerts come one after the other, never stacked.
    using TrashProbe = std::function<bool(const std::string&)>;
    static void run(QWidget* window, FreeSpaceReader freeSpace = homeFreeSpace,
                    std::string trashPath = trashFolder(),
                    TrashProbe trashReadable = isTrashReadable, int attemptsLeft = 3);
};

}  // namespace orvane::app
