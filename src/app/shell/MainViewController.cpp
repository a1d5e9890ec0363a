#include "app/shell/MainViewController.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QStackedWidget>
#include <QTimer>

#include "app/shell/LeftListViewController.h"
#include "app/shell/ModuleScreens.h"

namespace orvane::app {

MainViewController::MainViewController(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("mainView"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    leftList_ = new LeftListViewController(this);
    content_ = new QStackedWidget(this);
    content_->setObjectName(QStringLiteral("contentArea"));
    layout->addWidget(leftList_);
    layout->addWidget(content_, 1);

    leftList_->setDisplayItems(moduleRegistry());
    leftList_->functionDidSelectedBlock = [this](ModuleType type, std::function<void(bool)> done) {
        functionDidSelected(type, std::move(done));
    };
    // Junk Files opens every start; the last module used is deliberately not remembered.
    displayViewWithType(ModuleType::cleanJunk);
    leftList_->selectType(ModuleType::cleanJunk);
}

void MainViewController::displayViewWithType(ModuleType type) {
    lastViewType = currentViewType;
    cur = type;
    currentViewType = type;
    currentViewCtr_ = nullptr;

    ModuleBaseViewController* screen = screenFor(type);
    if (!screen) {
        screen = makeModuleScreen(type);
        screen->delegate = this;
        screens_[type] = screen;
        content_->addWidget(screen);
    }
    content_->setCurrentWidget(screen);
    currentViewCtr_ = screen;
    Q_EMIT moduleDisplayed(type);
}

void MainViewController::functionDidSelected(ModuleType type,
                                             std::function<void(bool)> completion) {
    if (type == currentViewType) {
        if (completion) completion(true);
        return;
    }
    if (!currentViewCtr_) {
        switchTo(type);
        if (completion) completion(true);
        return;
    }
    QPointer<MainViewController> self(this);
    QTimer::singleShot(kBackToHomeDelayMs, this, [self, type, completion = std::move(completion)] {
        if (!self || !self->currentViewCtr_) return;
        self->currentViewCtr_->backToHome([self, type, completion](bool answer) {
            if (!self) return;
            self->isBack = answer;
            if (answer) self->switchTo(type);
            if (completion) completion(answer);
        });
    });
}

void MainViewController::switchTo(ModuleType type) {
    leftList_->selectType(type);
    displayViewWithType(type);
}

void MainViewController::setLeftlistStatus(bool enabled) { leftList_->setListEnabled(enabled); }

ModuleBaseViewController* MainViewController::screenFor(ModuleType type) const {
    auto it = screens_.find(type);
    return it == screens_.end() ? nullptr : it->second;
}

std::vector<ModuleBaseViewController*> MainViewController::screens() const {
    std::vector<ModuleBaseViewController*> out;
    for (const auto& [type, screen] : screens_) out.push_back(screen);
    return out;
}

}  // namespace orvane::app
