#pragma once

namespace orvane::apps {

// The orders the application list offers.
enum class AppManageItemSortType { normal, sizeDesc, sizeAsc, dateRecent, dateOldest };

}  // namespace orvane::apps
