#pragma once

#include <memory>
#include <string>

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

}  // namespace orvane::platform
