#include "platform/mac/FolderTrash.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "kit/Localization.h"
#include "kit/Log.h"
#include "kit/Paths.h"
#include "platform/Layout.h"

namespace orvane::platform {

namespace fs = std::filesystem;

namespace {

std::string failure(const std::string& path, std::string_view reason) {
    return kit::formatLocalized("“%@” could not be moved to the Trash: %@",
                                {kit::displayPath(kit::directoryName(path)), reason});
}

// "name", then "name 2.ext", "name 3.ext", ... the way Finder names a second item of a name.
std::string candidateName(const std::string& name, int number) {
    if (number == 1) return name;
    const std::string_view extension = kit::pathExtension(name);
    if (extension.empty()) return name + " " + std::to_string(number);
    const std::string stem = name.substr(0, name.size() - extension.size() - 1);
    return stem + " " + std::to_string(number) + "." + std::string(extension);
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

constexpr int kMaxNumber = 100000;

}  // namespace

FolderTrash::FolderTrash(std::string trashFolder) : folder_(std::move(trashFolder)) {}

TrashResult FolderTrash::trashItem(const std::string& path) {
    TrashResult result;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        result.error = failure(path, std::strerror(errno));
        return result;
    }
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec).lexically_normal();
    const std::string source = ec ? path : absolute.string();
    if (isPathInside(source, folder_)) {
        result.error = failure(path, kit::localized("It is already in the Trash."));
        return result;
    }
    if (isPathInside(folder_, source)) {
        result.error = failure(path, kit::localized("It contains the Trash."));
        return result;
    }
    fs::create_directories(folder_, ec);
    if (ec) {
        result.error = failure(path, ec.message());
        return result;
    }

    const std::string name = kit::directoryName(source);
    bool crossDevice = false;
    for (int number = 1; number < kMaxNumber; ++number) {
        const std::string target = kit::joinPath(folder_, candidateName(name, number));
        // RENAME_NOREPLACE closes the gap between "is the name free" and taking it.
        int rc = ::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
        if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // File systems without the flag: check, then rename.
            if (exists(target)) continue;
            rc = ::rename(source.c_str(), target.c_str());
        }
        if (rc == 0) {
            result.ok = true;
            result.trashedPath = target;
            return result;
        }
        if (errno == EEXIST) continue;
        if (errno == EXDEV) {
            crossDevice = true;
            break;
        }
        result.error = failure(path, std::strerror(errno));
        return result;
    }
    if (!crossDevice) {
        result.error =
            failure(path, kit::localized("The Trash holds too many items of this name."));
        return result;
    }

    // Another volume: copy in, then remove the original. A failed copy is cleaned up and the
    // original stays where it was.
    std::string target;
    for (int number = 1; number < kMaxNumber && target.empty(); ++number) {
        std::string candidate = kit::joinPath(folder_, candidateName(name, number));
        if (!exists(candidate)) target = std::move(candidate);
    }
    if (target.empty()) {
        result.error =
            failure(path, kit::localized("The Trash holds too many items of this name."));
        return result;
    }
    fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) {
        std::error_code cleanup;
        fs::remove_all(target, cleanup);
        result.error = failure(path, ec.message());
        return result;
    }
    result.trashedPath = target;
    fs::remove_all(source, ec);
    if (ec) {
        ORVANE_LOG("copied to the Trash but the original stays: " + source);
        result.error = kit::formatLocalized(
            "“%@” was copied to the Trash, but the original could not be removed: %@",
            {kit::displayPath(name), ec.message()});
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace orvane::platform
