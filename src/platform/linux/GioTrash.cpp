#include "platform/linux/GioTrash.h"

#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/Paths.h"
#include "platform/Volume.h"

namespace orvane::platform {

namespace {

struct GObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using FileRef = std::unique_ptr<GFile, GObjectDeleter>;

struct GFreeDeleter {
    void operator()(gpointer memory) const { g_free(memory); }
};
using GString_ = std::unique_ptr<char, GFreeDeleter>;

std::string failure(const std::string& path, std::string_view reason) {
    return kit::formatLocalized("“%@” could not be moved to the Trash: %@",
                                {kit::displayPath(kit::directoryName(path)), reason});
}

// GIO numbers a taken name as "stem.N.rest", splitting at the first dot.
std::string gioUniqueName(const std::string& base, int id) {
    if (id == 1) return base;
    auto dot = base.find('.');
    if (dot == std::string::npos) return base + "." + std::to_string(id);
    return base.substr(0, dot) + "." + std::to_string(id) + base.substr(dot);
}

std::optional<std::string> trashInfoPath(const std::string& infoFile) {
    std::ifstream in(infoFile, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.starts_with("Path=")) continue;
        GString_ unescaped(g_uri_unescape_string(line.c_str() + 5, nullptr));
        if (!unescaped) return std::nullopt;
        return std::string(unescaped.get());
    }
    return std::nullopt;
}

// GIO does not say where it put an item. Its record in info/ names the original path, so the
// newest record for this path among the names GIO would have tried is the one just written.
// Like GIO, items on the home folder's volume go to the home Trash, others to their volume's.
std::string locateTrashed(const std::string& original, const std::string& base, dev_t device) {
    std::vector<std::pair<std::string, std::string>> trashDirs;  // trash folder, prefix of Path=
    struct stat home {};
    if (::stat(g_get_home_dir(), &home) == 0 && home.st_dev == device) {
        trashDirs.emplace_back(std::string(g_get_user_data_dir()) + "/Trash", "");
    } else if (auto volume = volumeOf(kit::parentPath(original)); volume) {
        const std::string uid = std::to_string(::getuid());
        const std::string top = volume->mountPoint == "/" ? std::string() : volume->mountPoint;
        trashDirs.emplace_back(top + "/.Trash/" + uid, volume->mountPoint);
        trashDirs.emplace_back(top + "/.Trash-" + uid, volume->mountPoint);
    }
    for (const auto& [trashDir, topDir] : trashDirs) {
        std::string best;
        timespec bestTime{};
        for (int id = 1; id < 100000; ++id) {
            const std::string name = gioUniqueName(base, id);
            const std::string info = trashDir + "/info/" + name + ".trashinfo";
            struct stat st {};
            if (::stat(info.c_str(), &st) != 0) break;
            auto recorded = trashInfoPath(info);
            if (!recorded) continue;
            const std::string absolute = (!recorded->empty() && recorded->front() == '/')
                                             ? *recorded
                                             : kit::joinPath(topDir, *recorded);
            if (absolute != original) continue;
            if (best.empty() || st.st_mtim.tv_sec > bestTime.tv_sec ||
                (st.st_mtim.tv_sec == bestTime.tv_sec && st.st_mtim.tv_nsec >= bestTime.tv_nsec)) {
                best = trashDir + "/files/" + name;
                bestTime = st.st_mtim;
            }
        }
        if (!best.empty()) return best;
    }
    return {};
}

}  // namespace

TrashResult GioTrash::trashItem(const std::string& path) {
    TrashResult result;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        result.error = failure(path, std::strerror(errno));
        return result;
    }
    FileRef file(g_file_new_for_path(path.c_str()));
    // GIO's own spelling of the path (absolute, "." and ".." folded) is what its record holds.
    GString_ gioPath(g_file_get_path(file.get()));
    const std::string original = gioPath ? std::string(gioPath.get()) : path;

    GError* error = nullptr;
    if (!g_file_trash(file.get(), nullptr, &error)) {
        result.unsupported = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED);
        result.error = failure(path, error ? error->message : "");
        ORVANE_LOG("trash failed: " + path + ": " + (error ? error->message : ""));
        g_clear_error(&error);
        return result;
    }
    result.ok = true;
    result.trashedPath = locateTrashed(original, kit::directoryName(original), st.st_dev);
    return result;
}

}  // namespace orvane::platform
