#include "platform/linux/GioTrash.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>

#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/Paths.h"
#include "platform/Volume.h"

namespace orvane::platform {

namespace {

std::string failure(const std::string& path, std::string_view reason) {
    return kit::formatLocalized("“%@” could not be moved to the Trash: %@",
                                {kit::displayPath(kit::directoryName(path)), reason});
}

// GIO numbers a taken name as "stem.N.rest", splitting at the first dot.
std::string numberedName(const std::string& base, int number) {
    if (number == 1) return base;
    const auto dot = base.find('.', 1);
    if (dot == std::string::npos) return base + "." + std::to_string(number);
    return base.substr(0, dot) + "." + std::to_string(number) + base.substr(dot);
}

// The record's Path= value: every byte outside the unreserved set and '/' as %XX.
std::string percentEncoded(std::string_view path) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '~' || c == '/') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0xF]);
        }
    }
    return out;
}

bool makeFolder(const std::string& path, mode_t mode) {
    if (::mkdir(path.c_str(), mode) == 0) return true;
    struct stat st {};
    return errno == EEXIST && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

struct Place {
    std::string folder;  // the Trash folder, holding files/ and info/
    std::string topDir;  // the volume top that Path= is relative to; empty: Path= is absolute
};

std::optional<std::string> dataHomeTrash(dev_t device) {
    const std::string dataHome = g_get_user_data_dir();
    const std::string folder = dataHome + "/Trash";
    std::string probe = folder;
    struct stat st {};
    while (::stat(probe.c_str(), &st) != 0 && probe.size() > 1) probe = kit::parentPath(probe);
    if (st.st_dev != device) return std::nullopt;
    // Create the folders the way GIO does: the data folder for the user, the Trash private.
    if (g_mkdir_with_parents(dataHome.c_str(), 0700) != 0) return std::nullopt;
    if (!makeFolder(folder, 0700)) return std::nullopt;
    return folder;
}

// The Trash of another volume: $top/.Trash/$uid when $top/.Trash is a real sticky folder, else
// $top/.Trash-$uid, made if needed.
std::optional<Place> volumeTrash(const std::string& parent) {
    const auto volume = volumeOf(parent);
    if (!volume || volume->mountPoint.empty()) return std::nullopt;
    const std::string top = volume->mountPoint == "/" ? std::string() : volume->mountPoint;
    const std::string uid = std::to_string(::getuid());
    struct stat st {};
    const std::string shared = top + "/.Trash";
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) &&
        makeFolder(shared + "/" + uid, 0700))
        return Place{shared + "/" + uid, volume->mountPoint};
    const std::string own = top + "/.Trash-" + uid;
    if (makeFolder(own, 0700)) return Place{own, volume->mountPoint};
    return std::nullopt;
}

std::string deletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

}  // namespace

std::uint64_t GioTrash::namesTried() const {
    std::lock_guard lock(mutex_);
    return namesTried_;
}

TrashResult GioTrash::trashItem(const std::string& path) {
    TrashResult result;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        result.error = failure(path, std::strerror(errno));
        return result;
    }
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::string name = kit::directoryName(trimmed);
    // The record names where the item was, its folder resolved as the kernel resolves it.
    char* realParent = ::realpath(kit::parentPath(trimmed).c_str(), nullptr);
    if (!realParent || name.empty() || name == "." || name == "..") {
        std::free(realParent);
        result.error = failure(path, std::strerror(realParent ? EINVAL : errno));
        return result;
    }
    const std::string parent = realParent;
    std::free(realParent);
    const std::string original = kit::joinPath(parent, name);

    std::optional<Place> place;
    if (auto home = dataHomeTrash(st.st_dev)) place = Place{*home, {}};
    else place = volumeTrash(parent);
    if (!place || !makeFolder(place->folder + "/files", 0700) ||
        !makeFolder(place->folder + "/info", 0700)) {
        result.unsupported = true;
        result.error = failure(path, kit::localized("its volume has no Trash."));
        return result;
    }
    if (original.rfind(place->folder + "/", 0) == 0) {
        result.error = failure(path, kit::localized("It is already in the Trash."));
        return result;
    }
    std::string recorded = original;
    if (!place->topDir.empty() && place->topDir != "/")
        recorded = original.substr(place->topDir.size() + 1);
    else if (!place->topDir.empty()) recorded = original.substr(1);
    const std::string info = "[Trash Info]\nPath=" + percentEncoded(recorded) +
                             "\nDeletionDate=" + deletionDate() + "\n";

    std::lock_guard lock(mutex_);
    const std::string key = place->folder + "/" + name;
    int& next = nextNumber_.try_emplace(key, 1).first->second;
    for (int number = next; number < next + 100000; ++number) {
        ++namesTried_;
        const std::string candidate = numberedName(name, number);
        const std::string infoPath = place->folder + "/info/" + candidate + ".trashinfo";
        // The record is made first and exclusively: it is what reserves the name.
        const int fd =
            ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            result.error = failure(path, std::strerror(errno));
            return result;
        }
        const bool written =
            ::write(fd, info.data(), info.size()) == static_cast<ssize_t>(info.size());
        ::close(fd);
        if (!written) {
            ::unlink(infoPath.c_str());
            result.error = failure(path, std::strerror(errno ? errno : EIO));
            return result;
        }
        const std::string target = place->folder + "/files/" + candidate;
        int moved =
            ::renameat2(AT_FDCWD, trimmed.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
        if (moved != 0 && errno == EINVAL) {
            // No no-replace rename on this file system: the record already holds the name.
            struct stat taken {};
            if (::lstat(target.c_str(), &taken) == 0) errno = EEXIST;
            else moved = ::rename(trimmed.c_str(), target.c_str());
        }
        if (moved == 0) {
            next = number + 1;
            result.ok = true;
            result.trashedPath = target;
            return result;
        }
        const int e = errno;
        ::unlink(infoPath.c_str());
        if (e == EEXIST) continue;  // a stray item without its record holds the name
        result.unsupported = e == EXDEV;
        result.error = failure(path, std::strerror(e));
        ORVANE_LOG("trash failed: " + path + ": " + std::strerror(e));
        return result;
    }
    result.error = failure(path, kit::localized("The Trash holds too many items of this name."));
    return result;
}

}  // namespace orvane::platform
