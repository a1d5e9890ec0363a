#include "core/support/UpdateChecker.h"

#include "core/support/CBSUtilitie.h"
#include "kit/HttpRequest.h"

namespace orvane::support {

namespace {

UpdateCheckResult failure(std::string error) {
    UpdateCheckResult result;
    result.error = std::move(error);
    return result;
}

}  // namespace

UpdateCheckResult UpdateChecker::check(const Options& options) {
    const auto current = VersionNumber::parse(options.currentVersion);
    if (!current) return failure("this copy of Orvane has no valid version number");
    if (!CBSUtilitie::isWebAddress(options.feedURL))
        return failure("no update address is set for this copy of Orvane");

    kit::HttpRequest request;
    request.url = options.feedURL;
    request.maxRedirects = 3;
    request.connectTimeoutMs = options.connectTimeoutMs;
    request.timeoutMs = options.timeoutMs;
    request.userAgent = "Orvane/" + options.currentVersion;
    request.maxBytes = options.maxBytes;
    request.stop = options.stop;
    const kit::HttpResponse response = request.send();
    using Outcome = kit::HttpResponse::Outcome;
    switch (response.outcome) {
        case Outcome::answered: break;
        case Outcome::unavailable: {
            // The window sets this inside its own sentence, which has its own full stop.
            std::string why = response.error;
            if (why.ends_with('.')) why.pop_back();
            return failure(why);
        }
        case Outcome::tooLarge: return failure("the update information is too large");
        case Outcome::stopped: return failure("the update check was stopped");
        case Outcome::failed:
            return failure("the update server could not be reached (" + response.error + ")");
    }
    if (response.status != 200)
        return failure("the update server answered with status " + std::to_string(response.status));

    std::string error;
    auto release = ReleaseFeed::parse(response.body, error);
    if (!release) return failure(error);
    UpdateCheckResult result;
    result.status = release->version > *current ? UpdateCheckResult::Status::updateAvailable
                                                : UpdateCheckResult::Status::upToDate;
    result.release = std::move(release);
    return result;
}

}  // namespace orvane::support
