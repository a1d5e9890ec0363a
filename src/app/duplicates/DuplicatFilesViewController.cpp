#include "app/duplicates/DuplicatFilesViewController.h"

#include <QStringList>
#include <QTimer>

#include "app/common/SinglePathSelectViewController.h"
#include "app/common/Text.h"
#include "app/common/UsageEvents.h"
#include "app/duplicates/ScanFileResultViewController.h"
#include "core/duplicates/ScanManager.h"
#include "core/files/IgnoresPathExtention.h"

namespace orvane::app {

QString DuplicatFilesViewController::neverComparedText() {
    QStringList extensions;
    for (std::string_view extension : files::IgnoresPathExtention::allCases)
        extensions << QStringLiteral(".") +
                          QString::fromUtf8(extension.data(), static_cast<int>(extension.size()));
    return locFormat("Never compared: source, configuration and data files (%@).",
                     {extensions.join(QStringLiteral(", "))});
}

DuplicatFilesViewController::DuplicatFilesViewController(
    std::shared_ptr<duplicates::ScanManager> manager, QWidget* parent)
    : PathScanModuleViewController(ModuleType::duplicateFiles, loc("Duplicate_Files"),
                                   loc("Find files with identical content and keep just one copy."),
                                   parent),
      manager_(manager ? std::move(manager) : duplicates::ScanManager::shared()) {
    setObjectName(QStringLiteral("duplicateFiles"));
    pathSelect()->setFootnote(neverComparedText());
    result_ = new ScanFileResultViewController(manager_, this);
    setResultScreen(result_);
}

void DuplicatFilesViewController::scanPaths(const std::vector<std::string>& paths) {
    if (paths.empty() || manager_->scaning) return;
    manager_->folderList = paths;
    // The result screen takes over on the next turn of the loop, after the click is done.
    QTimer::singleShot(0, this, [this] {
        showResultScreen();
        result_->startScan();
    });
}

void DuplicatFilesViewController::goBack() {
    usage::operational(usage::startOverModuleFor(cur), analytics::action::startOver, {""});
    PathScanModuleViewController::goBack();
}

std::string_view DuplicatFilesViewController::leaveEventModule() const {
    return usage::moduleFor(cur);
}

}  // namespace orvane::app
