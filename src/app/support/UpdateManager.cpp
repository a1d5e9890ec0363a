#include "app/support/UpdateManager.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

#include "app/common/Text.h"
#include "app/support/UpdateWindowController.h"
#include "core/support/AppInfo.h"
#include "core/support/CBSUtilitie.h"
#include "kit/Log.h"

namespace orvane::app {

UpdateManager& UpdateManager::shared() {
    // Lives as long as the application object: its worker must end before Qt goes.
    static UpdateManager* manager = new UpdateManager(Config{}, QCoreApplication::instance());
    return *manager;
}

UpdateManager::UpdateManager(Config config, QObject* parent)
    : QObject(parent), config_(std::move(config)) {}

UpdateWindowController* UpdateManager::window() const { return window_; }

UpdateManager::~UpdateManager() {
    stop_ = true;
    if (worker_.joinable()) worker_.join();
}

std::string UpdateManager::feedURLFromInfo() {
    const support::AppInfo& info = support::AppInfo::shared();
    if (info.text(support::infokey::webMark) == support::regionalChannelMark) {
        const std::string regional = info.text(support::infokey::regionalUpdateFeedURL);
        if (!regional.empty()) return regional;
    }
    return info.text(support::infokey::updateFeedURL);
}

void UpdateManager::checkUpdate(bool silent) {
    // A check the user asks for while a silent one runs takes over its answer.
    if (checking_) {
        silent_ = silent_ && silent;
        return;
    }
    checking_ = true;
    silent_ = silent;
    if (worker_.joinable()) worker_.join();  // the previous check has already delivered

    support::UpdateChecker::Options options;
    options.feedURL = config_.feedURL.empty() ? feedURLFromInfo() : config_.feedURL;
    options.currentVersion =
        config_.currentVersion.empty() ? std::string(ORVANE_VERSION) : config_.currentVersion;
    options.timeoutMs = config_.timeoutMs;
    options.stop = &stop_;
    const std::string executable = config_.executablePath.empty()
                                       ? QCoreApplication::applicationFilePath().toStdString()
                                       : config_.executablePath;
    const std::optional<support::InstallSource> known = config_.installSource;
    QPointer<UpdateManager> self(this);
    worker_ = std::thread([self, options, executable, known, this] {
        const support::UpdateCheckResult result = support::UpdateChecker::check(options);
        support::InstallSource source;
        if (result.status == support::UpdateCheckResult::Status::updateAvailable)
            source = known ? *known : support::InstallSource::detect(executable);
        if (stop_) return;
        QMetaObject::invokeMethod(
            this,
            [self, result, source] {
                if (self) self->finish(result, source);
            },
            Qt::QueuedConnection);
    });
}

void UpdateManager::finish(const support::UpdateCheckResult& result,
                           const support::InstallSource& source) {
    checking_ = false;
    const bool silent = silent_;
    using Status = support::UpdateCheckResult::Status;
    if (result.status == Status::failed) ORVANE_LOG("update check failed: " + result.error);
    const bool show = result.status == Status::updateAvailable || !silent;
    if (show) {
        if (!window_) {
            window_ = new UpdateWindowController(parentWindow_);
            window_->setWindowFlag(Qt::Window);
            window_->setAttribute(Qt::WA_DeleteOnClose, false);
        }
        const QString current =
            qs(config_.currentVersion.empty() ? ORVANE_VERSION : config_.currentVersion);
        disconnect(window_, &UpdateWindowController::downloadRequested, this, nullptr);
        switch (result.status) {
            case Status::updateAvailable: {
                const std::string url = result.release->downloadURL;
                connect(window_, &UpdateWindowController::downloadRequested, this, [this, url] {
                    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
                    respond(UpdateRespondType::install);
                });
                window_->showAvailable(qs(result.release->versionText), current,
                                       qs(result.release->notes), qs(source.advice()));
                break;
            }
            case Status::upToDate: window_->showUpToDate(current); break;
            case Status::failed: window_->showFailed(qs(result.error)); break;
        }
    }
    respond(result.status == Status::updateAvailable ? UpdateRespondType::updateAvailable
            : result.status == Status::upToDate      ? UpdateRespondType::upToDate
                                                     : UpdateRespondType::failed);
    Q_EMIT checkFinished(silent, static_cast<int>(result.status));
}

void UpdateManager::respond(UpdateRespondType type) {
    ORVANE_LOG("UpdateRespondType: " + std::to_string(static_cast<long>(type)));
    // Leaving to install the new version is a normal end of this run.
    if (type == UpdateRespondType::install) ORVANE_LOG("升级check");
    if (respond_) respond_(type);
}

}  // namespace orvane::app
