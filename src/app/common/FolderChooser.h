#pragma once

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace orvane::app {

// Asks the user for folders, starting in the home folder. Returns the picked paths (as the file
// system spells them), empty when cancelled.
using FolderChooser = std::function<std::vector<std::string>(QWidget* parent, bool multiple)>;

std::vector<std::string> chooseFoldersWithDialog(QWidget* parent, bool multiple);

// Opens `chooser` unless a sheet is already on show over `parent`'s window (then logs and
// returns nothing).
std::vector<std::string> chooseFolders(const FolderChooser& chooser, QWidget* parent,
                                       bool multiple);

}  // namespace orvane::app
