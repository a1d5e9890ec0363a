#pragma once

namespace orvane::junk {

// Codes of the "CleanError" recorded on an item that cleaning left in place.
// The user may not remove it and it lies outside the protected locations, so administrator
// removal is not tried.
inline constexpr int kCleanErrorNotDeletable = 1;
// Administrator removal was tried and failed (or the helper refused it).
inline constexpr int kCleanErrorAdminFailed = 2;
// Administrator rights were not obtained (prompt dismissed, pkexec or the helper missing).
inline constexpr int kCleanErrorNotAuthorized = 3;
// It is no longer what the scan found: replaced, turned into a link, changed, outside the folder
// of the rule that found it, or one of the places that are never removed as a whole. Nothing is
// tried, with any rights.
inline constexpr int kCleanErrorChanged = 4;

}  // namespace orvane::junk
