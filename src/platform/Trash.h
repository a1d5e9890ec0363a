#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Outcome.h"

namespace orvane::platform {

struct Layout;

// What happened to one item sent to the Trash.
struct TrashResult {
    bool ok = false;
    std::string error;        // a sentence for the user when !ok
    std::string trashedPath;  // where the item now lies, when known
    // The item's volume has no Trash; the caller may offer to delete it permanently instead.
    bool unsupported = false;
};

// Moves items to the place the user restores them from. Implementations never follow a symlink:
// trashing a link trashes the link.
class Trash {
public:
    virtual ~Trash() = default;
    virtual TrashResult trashItem(const std::string& path) = 0;
};

// The Trash of the layout: the freedesktop Trash through GIO, or the layout's ~/.Trash folder.
std::unique_ptr<Trash> makeTrash(const Layout& layout);

// Whether the program may list the Trash folder. A Trash that does not exist yet is readable:
// it is created on first use. Used at start-up to warn about missing access rights.
bool canReadTrashFolder(const std::string& folder);
// The same for the Trash folder of the layout.
bool canReadTrash(const Layout& layout);

// Folders whose entries are the items now in the user's Trash, existing ones only. macOS layout:
// the Trash folder itself. Freedesktop: files/ of the home Trash, then files/ of this user's
// Trash at the top of every other local volume (".Trash-<uid>" or ".Trash/<uid>").
std::vector<std::string> trashContentFolders(
    const Layout& layout, const std::string& mountInfoPath = "/proc/self/mountinfo");

// Once the item `name` of a folder listed by trashContentFolders is gone (removed through the
// shared removal path), drops its restore record and its cached size, so that file managers
// show no ghost of it. Touches nothing while the item is still there.
Outcome forgetTrashRecord(const std::string& contentFolder, const std::string& name);

}  // namespace orvane::platform
