#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "core/support/InstallSource.h"
#include "core/support/UpdateChecker.h"

class QWidget;

namespace orvane::app {

class UpdateWindowController;

// What a check ended in, handed to the respond callback. Only `install` (the user chose to
// download the new version) matters beyond the window itself.
enum class UpdateRespondType : long { upToDate = 0, updateAvailable = 1, failed = 2, install = 3 };

// Checks the release feed for a newer Orvane. The network and the package database are asked on
// a worker thread, so a check never holds up start-up or the window; its answer arrives on the
// GUI thread. A silent check (at launch) shows something only when there is an update; a check
// the user asked for always answers.
class UpdateManager : public QObject {
    Q_OBJECT
public:
    struct Config {
        std::string feedURL;         // empty: from the application's information list
        std::string currentVersion;  // empty: the running version
        std::string executablePath;  // empty: this program; asked who installed it
        std::optional<support::InstallSource> installSource;  // set: skips the detection
        long timeoutMs = 15000;
    };

    static UpdateManager& shared();
    explicit UpdateManager(Config config, QObject* parent = nullptr);
    ~UpdateManager() override;

    void checkUpdate(bool silent);
    void setRespondBlock(std::function<void(UpdateRespondType)> block) {
        respond_ = std::move(block);
    }
    // The window answers are shown in; created at the first answer.
    UpdateWindowController* window() const;
    void setParentWindow(QWidget* parent) { parentWindow_ = parent; }
    bool isChecking() const { return checking_; }
    // Where the feed is read from: the regional server for the regional channel.
    static std::string feedURLFromInfo();

Q_SIGNALS:
    void checkFinished(bool silent, int status);

private:
    void finish(const support::UpdateCheckResult& result, const support::InstallSource& source);
    void respond(UpdateRespondType type);

    Config config_;
    std::function<void(UpdateRespondType)> respond_;
    QPointer<UpdateWindowController> window_;
    QPointer<QWidget> parentWindow_;
    std::thread worker_;
    std::atomic<bool> stop_{false};
    bool checking_ = false;
    bool silent_ = true;
};

}  // namespace orvane::app
