#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::apps {

// What a flatpak deploy folder says about the application deployed in it.
struct FlatpakDeploy {
    std::string version;
    // The installed size flatpak recorded when it deployed the application.
    std::optional<std::uint64_t> installedSize;
    // The program the application starts ("command=" of its metadata).
    std::string command;
    // The active deploy (…/app/<id>/current/active), where files/ and export/ are.
    std::string activeFolder;

    // Reads <appFolder>/current/active: the deploy data, else the metainfo for the version.
    static FlatpakDeploy read(const std::string& appFolder, const std::string& appId);

    // The installed size and "appdata-version" out of flatpak's deploy data (a GVariant of
    // type (ssasta{sv})); nothing for bytes of any other shape.
    static bool parseDeployData(std::string_view bytes, std::optional<std::uint64_t>& installedSize,
                                std::string& version);
    // The newest release's version of an AppStream metainfo document, or "".
    static std::string metainfoVersion(std::string_view xml);
};

}  // namespace orvane::apps
