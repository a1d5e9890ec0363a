#pragma once

#include <string_view>

// The fixed words of a usage event. Screens combine them, never spell them: the same user action
// must always produce the same event, or the history cannot add runs of one module together.
namespace orvane::analytics {

namespace category {
inline constexpr std::string_view process = "Process";          // steps of a task
inline constexpr std::string_view operational = "Operational";  // choices made on a screen
// The renamer's events and the app manager's inventory event name their module as category.
inline constexpr std::string_view fileRename = "FileRename";
inline constexpr std::string_view appManage = "AppManage";
}  // namespace category

namespace module {
inline constexpr std::string_view duplicateFile = "DuplicateFile";
inline constexpr std::string_view similar = "Similar";
inline constexpr std::string_view bigfile = "Bigfile";  // large files: task and removal events
inline constexpr std::string_view largeFile =
    "LargeFile";  // large files: the list's grouping choice
inline constexpr std::string_view cleanup = "Cleanup";
inline constexpr std::string_view appManage = "AppManage";
inline constexpr std::string_view fileRename = "FileRename";
// Renamer events carry one blank (their category already names the module); "ScanApp" carries
// the empty text.
inline constexpr std::string_view blank = " ";
inline constexpr std::string_view none = "";
}  // namespace module

namespace action {
inline constexpr std::string_view startScan = "StartScan";
inline constexpr std::string_view scanPage = "ScanPage";
inline constexpr std::string_view scanApp = "ScanApp";
inline constexpr std::string_view scanEnd = "ScanEnd";
inline constexpr std::string_view removeStart = "RemoveStart";
inline constexpr std::string_view removeEnd = "RemoveEnd";
inline constexpr std::string_view scWindow = "SCwindow";
inline constexpr std::string_view removalMethod = "RemovalMethod";
inline constexpr std::string_view sort = "Sort";
inline constexpr std::string_view filter = "Filter";
inline constexpr std::string_view startOver = "StartOver";
inline constexpr std::string_view showList = "ShowList";
inline constexpr std::string_view selectPage = "SelectPage";
inline constexpr std::string_view setting = "Setting";
inline constexpr std::string_view optionButton = "OptionButton";
inline constexpr std::string_view addFiles = "AddFiles";
inline constexpr std::string_view renamerResult = "RenamerResult";
// The similar-photo removal engine's own three-text events.
inline constexpr std::string_view fail = "Fail";
inline constexpr std::string_view successRemove = "SuccessRemove";
}  // namespace action

namespace label {
inline constexpr std::string_view empty = "";
inline constexpr std::string_view blank = " ";
inline constexpr std::string_view nil = "nil";
inline constexpr std::string_view confirm = "Confirm";
inline constexpr std::string_view cancel = "Cancel";
inline constexpr std::string_view finish = "Finish";
inline constexpr std::string_view trash = "Trash";
inline constexpr std::string_view move = "Move";
inline constexpr std::string_view direct = "Direct";
inline constexpr std::string_view image = "image";
inline constexpr std::string_view uninstall = "Uninstall";
inline constexpr std::string_view leftover = "Leftover";
inline constexpr std::string_view zeroKB = "0KB";
}  // namespace label

// Group of the similar-photo removal engine's events.
inline constexpr std::string_view afterDeleterGroup = "AfterDeleter";

}  // namespace orvane::analytics
