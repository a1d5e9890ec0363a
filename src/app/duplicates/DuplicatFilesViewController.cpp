#include "app/duplicates/DuplicatFilesViewController.h"

#include <QStackedWidget>
#include <QStringList>
#include <QTimer>
#include <QVBoxLayout>

#include "app/common/Alerts.h"
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
    : ModuleBaseViewController(ModuleType::duplicateFiles, parent),
      manager_(manager ? std::move(manager) : duplicates::ScanManager::shared()) {
    setObjectName(QStringLiteral("duplicateFiles"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pages_ = new QStackedWidget(this);
    layout->addWidget(pages_);
    pathSelect_ = new SinglePathSelectViewController(
        loc("Duplicate_Files"), loc("Find files with identical content and keep just one copy."),
        pages_);
    pages_->addWidget(pathSelect_);
    pathSelect_->setFootnote(neverComparedText());
    result_ = new ScanFileResultViewController(manager_, pages_);
    pages_->addWidget(result_);
    result_->setListEnabled = [this](bool enabled) { setLeftlistStatus(enabled); };
    result_->backBlock = [this] { goBack(); };
    pathSelect_->pathSelectBlock = [this](const std::vector<std::string>& paths) {
        scanPaths(paths);
    };
}

bool DuplicatFilesViewController::isShowingPathSelect() const {
    return pages_->currentWidget() == pathSelect_;
}

void DuplicatFilesViewController::scanPaths(const std::vector<std::string>& paths) {
    if (paths.empty() || manager_->scaning) return;
    manager_->folderList = paths;
    // The result screen takes over on the next turn of the loop, after the click is done.
    QTimer::singleShot(0, this, [this] {
        pages_->setCurrentWidget(result_);
        result_->startScan();
    });
}

void DuplicatFilesViewController::askToLeave(std::function<void(bool)> completion) {
    const auto state = result_->displayType();
    if (isShowingPathSelect() || state == DisplayViewType::displayViewTypeScanning ||
        state == DisplayViewType::displayViewTypeRemoving) {
        // Nothing to lose on the target screen; work in flight is never left behind (the list is
        // off meanwhile, and the back buttons are not on show).
        completion(isShowingPathSelect());
        return;
    }
    if (!result_->hasResults()) {
        completion(true);
        return;
    }
    if (asking_) return;
    asking_ = true;
    askQuestion(window(), loc("The scanning results won't be saved if you go Back."), loc("Cancel"),
                loc("Confirm"), [this, completion = std::move(completion)](bool yes) {
                    asking_ = false;
                    usage::sheetAnswer(usage::moduleFor(cur), yes);
                    completion(yes);
                });
}

void DuplicatFilesViewController::backToHome(std::function<void(bool)> completion) {
    askToLeave([this, completion = std::move(completion)](bool yes) {
        if (yes && !isShowingPathSelect()) returnToPathSelect();
        if (completion) completion(yes);
    });
}

void DuplicatFilesViewController::goBack() {
    usage::operational(usage::startOverModuleFor(cur), analytics::action::startOver, {""});
    askToLeave([this](bool yes) {
        if (yes) returnToPathSelect();
    });
}

void DuplicatFilesViewController::returnToPathSelect() {
    result_->dropResults();
    pathSelect_->reset();
    pages_->setCurrentWidget(pathSelect_);
}

void DuplicatFilesViewController::applicationWillTerminate() { result_->stopWork(); }

}  // namespace orvane::app
