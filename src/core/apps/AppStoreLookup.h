#pragma once

#include <nlohmann/json_fwd.hpp>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/apps/AppUpdateInfo.h"

namespace orvane::apps {

// Why a lookup gave no result.
struct NetworkError {
    enum class Kind { serverError, custom, unknown, decodingError };
    Kind kind = Kind::unknown;
    int statusCode = 0;
    std::string message;

    std::string description() const;
};

// The first result of a lookup, or why there is none.
struct LookupReply {
    std::shared_ptr<const nlohmann::json> result;  // a JSON object when set
    std::optional<NetworkError> error;
};

// The store's lookup web service: GET <base>/lookup?bundleId=…&country=…&media=software&
// entity=desktopSoftware, answered with {"resultCount": n, "results": [...]}. Stateless; one
// call blocks its thread for at most the time-out.
class AppStoreLookup {
public:
    explicit AppStoreLookup(std::string baseAddress, long timeoutMs = 15000);

    // The address asked for one application.
    std::string lookupURL(const std::string& bundleId, const std::string& country) const;
    LookupReply getAppUpdateInfo(const std::string& bundleId, const std::string& country,
                                 const std::atomic<bool>* stop = nullptr) const;

    // A reply's status and body as the lookup reads them. Bodies come from the network: any
    // bytes give an error, never a crash.
    static LookupReply parseReply(long status, std::string_view body);
    // The update a result object offers over `installedVersion`, or nothing when the store's
    // version is not newer.
    static std::optional<AppUpdateInfo> updateInfoFrom(const nlohmann::json& result,
                                                       const std::string& installedVersion);
    // Numeric string order: runs of digits compare by value, so "1.10" > "1.9". Negative, 0 or
    // positive.
    static int compareVersions(std::string_view a, std::string_view b);

private:
    std::string base_;
    long timeoutMs_;
};

}  // namespace orvane::apps
