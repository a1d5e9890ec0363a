#include "core/junk/AuthoredHelper.h"

#include <sys/stat.h>

#include <cerrno>

#include "core/files/PrivilegedHelper.h"
#include "kit/Log.h"

namespace orvane::junk {

AuthoredHelper& AuthoredHelper::sharedInstance() {
    static AuthoredHelper instance(files::PrivilegedHelper::shared());
    return instance;
}

AuthoredHelper::AuthoredHelper(files::PrivilegedHelper& helper) : helper_(helper) {}

bool AuthoredHelper::initializeAuthorization() {
    if (helper_.isAuthorized()) return true;
    if (!helper_.initialize()) {
        lastMessage_ = helper_.lastError();
        ORVANE_LOG(">>> 获取执行权限失败: " + lastMessage_);
        return false;
    }
    ORVANE_LOG(">>> 权限初始化成功，可在应用运行期间重复使用");
    return true;
}

bool AuthoredHelper::isAuthorized() const { return helper_.isAuthorized(); }

bool AuthoredHelper::removeFile(const std::string& path,
                                std::optional<files::FileIdentity> expected) {
    if (!helper_.isAuthorized()) {
        ORVANE_LOG(">>> 权限未初始化，请先调用 initializeAuthorization");
        lastMessage_ = helper_.lastError();
        return false;
    }
    if (path.empty()) {
        ORVANE_LOG(">>> 删除路径为空");
        lastMessage_.clear();
        return false;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) {
        ORVANE_LOG(">>> 文件不存在，跳过删除: " + path);
        return true;
    }
    const files::HelperReply reply = helper_.removePath(path, expected);
    lastMessage_ = reply.message;
    ORVANE_LOG((reply.ok ? ">>> 删除成功: " : ">>> 删除失败: ") + path + " " + reply.message);
    return reply.ok;
}

long AuthoredHelper::removeFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) {
        ORVANE_LOG(">>> 删除文件列表为空");
        return 0;
    }
    long removed = 0;
    for (const std::string& path : paths)
        if (removeFile(path)) ++removed;
    ORVANE_LOG(">>> 批量删除完成: 成功 " + std::to_string(removed) + "/" +
               std::to_string(paths.size()));
    return removed;
}

void AuthoredHelper::releaseAuthorization() {
    helper_.release();
    ORVANE_LOG(">>> 权限已释放");
}

}  // namespace orvane::junk
