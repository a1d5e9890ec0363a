#pragma once

#include "platform/Trash.h"

namespace orvane::platform {

// The freedesktop Trash through GIO: items land in $XDG_DATA_HOME/Trash, or in the Trash folder
// at the top of their own volume, with the .trashinfo record that lets a file manager put them
// back.
class GioTrash final : public Trash {
public:
    TrashResult trashItem(const std::string& path) override;
};

}  // namespace orvane::platform
