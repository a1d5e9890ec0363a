#include "platform/Trash.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kit/Localization.h"
#include "kit/Paths.h"
#include "platform/AtomicFile.h"
#include "platform/Volume.h"

#include "platform/Layout.h"
#include "platform/linux/GioTrash.h"
#include "platform/mac/FolderTrash.h"

namespace orvane::platform {

std::unique_ptr<Trash> makeTrash(const Layout& layout) {
    if (layout.kind == Layout::Kind::macOS) return std::make_unique<FolderTrash>(layout.trash);
    return std::make_unique<GioTrash>();
}

bool canReadTrashFolder(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir) {
        ::closedir(dir);
        return true;
    }
    return errno == ENOENT;
}

bool canReadTrash(const Layout& layout) { return canReadTrashFolder(layout.trash); }

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percentDecoded(std::string_view encoded) {
    std::string decoded;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size() && hexDigit(encoded[i + 1]) >= 0 &&
            hexDigit(encoded[i + 2]) >= 0) {
            decoded.push_back(
                static_cast<char>(hexDigit(encoded[i + 1]) * 16 + hexDigit(encoded[i + 2])));
            i += 2;
        } else {
            decoded.push_back(encoded[i]);
        }
    }
    return decoded;
}

// directorysizes lines are "<size> <mtime> <percent-encoded name>"; drop the one for `name`.
void forgetCachedSize(const std::string& trashRoot, const std::string& name) {
    const std::string file = trashRoot + "/directorysizes";
    std::ifstream in(file, std::ios::binary);
    if (!in) return;
    std::string kept, line;
    bool dropped = false;
    while (std::getline(in, line)) {
        const auto second = line.find(' ', line.find(' ') + 1);
        if (second != std::string::npos) {
            const std::string decoded = percentDecoded(std::string_view(line).substr(second + 1));
            if (decoded == name) {
                dropped = true;
                continue;
            }
        }
        kept += line + "\n";
    }
    in.close();
    if (dropped) (void)writeFileAtomically(file, kept, 0600);
}

}  // namespace

std::vector<std::string> trashContentFolders(const Layout& layout,
                                             const std::string& mountInfoPath) {
    std::vector<std::string> folders;
    if (layout.kind == Layout::Kind::macOS) {
        if (kit::isFolder(layout.trash)) folders.push_back(layout.trash);
        return folders;
    }
    if (kit::isFolder(layout.trash + "/files")) folders.push_back(layout.trash + "/files");
    const std::string uid = std::to_string(::getuid());
    for (const MountEntry& mount : readMountInfo(mountInfoPath)) {
        // A stat on a dead network mount can hang; their Trash is the server's business.
        if (isNetworkFileSystem(mount.fileSystem)) continue;
        const std::string top = mount.mountPoint == "/" ? std::string() : mount.mountPoint;
        for (const std::string& candidate :
             {top + "/.Trash-" + uid + "/files", top + "/.Trash/" + uid + "/files"}) {
            if (kit::isFolder(candidate) &&
                std::find(folders.begin(), folders.end(), candidate) == folders.end())
                folders.push_back(candidate);
        }
    }
    return folders;
}

Outcome forgetTrashRecord(const std::string& contentFolder, const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
        return Outcome::failure(
            kit::formatLocalized("“%@” is not an item of the Trash.", {kit::displayPath(name)}));
    }
    const std::string item = kit::joinPath(contentFolder, name);
    struct stat st {};
    if (::lstat(item.c_str(), &st) == 0 || errno != ENOENT) {
        return Outcome::failure(
            kit::formatLocalized("“%@” is still in the Trash.", {kit::displayPath(name)}));
    }
    if (contentFolder.ends_with("/files")) {
        const std::string trashRoot = kit::parentPath(contentFolder);
        ::unlink((trashRoot + "/info/" + name + ".trashinfo").c_str());
        forgetCachedSize(trashRoot, name);
    }
    return Outcome::success();
}

}  // namespace orvane::platform
