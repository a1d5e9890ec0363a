#include "app/shell/PlaceholderViewController.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/common/Text.h"
#include "app/shell/Icons.h"
#include "app/shell/ModuleItem.h"

namespace orvane::app {

PlaceholderViewController::PlaceholderViewController(ModuleType type, QWidget* parent)
    : ModuleBaseViewController(type, parent) {
    setObjectName(QStringLiteral("placeholder"));
    QString name;
    QString icon;
    for (const ModuleItem& item : moduleRegistry()) {
        if (item.moduleType == type) {
            name = item.moduleName;
            icon = item.iconName;
        }
    }
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(2);
    auto* image = new QLabel(this);
    image->setPixmap(appIcon(icon).pixmap(96, 96, QIcon::Disabled));
    image->setAlignment(Qt::AlignCenter);
    layout->addWidget(image);
    auto* title = new QLabel(name, this);
    title->setObjectName(QStringLiteral("placeholderTitle"));
    title->setAlignment(Qt::AlignCenter);
    title->setStyleSheet(QStringLiteral("font-size: 22px; font-weight: 600; color: #24303f;"));
    layout->addWidget(title);
    auto* text = new QLabel(loc("This module is not available yet."), this);
    text->setObjectName(QStringLiteral("placeholderText"));
    text->setAlignment(Qt::AlignCenter);
    text->setStyleSheet(QStringLiteral("font-size: 14px; color: #5b6776;"));
    layout->addWidget(text);
    auto* sub = new QLabel(loc("It will arrive in a later version of Orvane."), this);
    sub->setAlignment(Qt::AlignCenter);
    sub->setStyleSheet(QStringLiteral("font-size: 13px; color: #8792a0;"));
    layout->addWidget(sub);
    layout->addStretch(3);
}

}  // namespace orvane::app
