// Any bytes in place of the small metadata files of installed applications: a flatpak's deploy
// data (a GVariant), an AppStream metainfo document, a snap.yaml, and the metadata lister's
// last-use text. The first byte picks the reader; none may crash, and what they return is
// bounded by their input.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/apps/FlatpakDeploy.h"
#include "core/apps/SnapInfo.h"
#include "core/apps/SpotlightTools.h"

using namespace orvane::apps;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 4) {
        case 0: {
            std::optional<std::uint64_t> installedSize;
            std::string version;
            FlatpakDeploy::parseDeployData(text, installedSize, version);
            if (version.size() > text.size()) std::abort();
            break;
        }
        case 1:
            if (FlatpakDeploy::metainfoVersion(text).size() > text.size()) std::abort();
            break;
        case 2:
            if (SnapInfo::yamlVersion(text).size() > 64) std::abort();
            break;
        case 3:
            (void)SpotlightTools::parseLastUsed(std::string(text));
            break;
    }
    return 0;
}
