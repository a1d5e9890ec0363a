#pragma once

namespace orvane::apps {

// What a run of the managing screen does.
enum class AppManageCleanType {
    appUninsatll,  // removes ticked records of installed applications
    appUpdate,     // updates ticked applications from their stores
    appFiles,      // removes ticked leftovers of applications already gone
};

}  // namespace orvane::apps
