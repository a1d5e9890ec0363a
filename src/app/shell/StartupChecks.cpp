#include "app/shell/StartupChecks.h"

#include <QPointer>
#include <QStorageInfo>
#include <QTimer>
#include <QWidget>

#include "app/common/Alerts.h"
#include "app/common/Text.h"
#include "app/shell/PathLimitTipWindowController.h"
#include "kit/Paths.h"
#include "platform/Layout.h"
#include "platform/Trash.h"

namespace orvane::app {

bool StartupChecks::isSpaceInsufficient(std::uint64_t freeBytes) {
    return freeBytes / 1000 / 1000 < 200;
}

std::string StartupChecks::trashFolder() { return platform::Layout::current().trash; }

bool StartupChecks::isTrashReadable(const std::string& path) {
    return platform::canReadTrashFolder(path);
}

std::optional<std::uint64_t> StartupChecks::homeFreeSpace(const std::string& home) {
    QStorageInfo info(QString::fromStdString(home));
    if (!info.isValid() || !info.isReady()) return std::nullopt;
    return static_cast<std::uint64_t>(info.bytesAvailable());
}

void StartupChecks::run(QWidget* window, FreeSpaceReader freeSpace, std::string trashPath,
                        TrashProbe trashReadable, int attemptsLeft) {
    QPointer<QWidget> target(window);
    if (!target) return;
    if (!target->isVisible() && attemptsLeft > 0) {
        QTimer::singleShot(1000, target,
                           [target, freeSpace, trashPath, trashReadable, attemptsLeft] {
                               run(target, freeSpace, trashPath, trashReadable, attemptsLeft - 1);
                           });
        return;
    }
    auto trashCheck = [target, trashPath, trashReadable] {
        if (!target || !trashReadable || trashReadable(trashPath)) return;
        auto* tip = new PathLimitTipWindowController(trashPath, target);
        tip->open();
    };
    const auto free = freeSpace ? freeSpace(kit::customHomeDirectory()) : std::nullopt;
    if (free && isSpaceInsufficient(*free)) {
        showAlert(target,
                  loc("The program can't work properly due to insufficient space on your "
                      "computer, please release enough space and then try again."),
                  loc("OK"), trashCheck);
    } else {
        trashCheck();
    }
}

}  // namespace orvane::app
