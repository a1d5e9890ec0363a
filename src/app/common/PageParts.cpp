#include "app/common/PageParts.h"

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/common/Styles.h"
#include "app/shell/Icons.h"

namespace orvane::app {

QStackedWidget* addPageStack(QWidget* owner) {
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* stack = new QStackedWidget(owner);
    layout->addWidget(stack);
    return stack;
}

QLabel* wrappedLabel(const QString& text, const QString& style, QWidget* parent,
                     Qt::Alignment alignment) {
    auto* l = new QLabel(text, parent);
    l->setStyleSheet(style);
    l->setAlignment(alignment);
    l->setWordWrap(true);
    return l;
}

void addModuleIntro(QVBoxLayout* layout, const QString& iconName, int iconSize,
                    const QString& title, const QString& subtitle) {
    QWidget* page = layout->parentWidget();
    auto* icon = new QLabel(page);
    icon->setPixmap(appIcon(iconName).pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    layout->addWidget(wrappedLabel(title, styles::title(), page));
    layout->addWidget(wrappedLabel(subtitle, styles::subtitle(), page));
}

QWidget* messagePage(QWidget* parent, const QString& iconName, const QString& title,
                     QPushButton** button, const QString& buttonText) {
    auto* page = new QWidget(parent);
    auto* layout = new QVBoxLayout(page);
    layout->addStretch(2);
    auto* icon = new QLabel(page);
    icon->setPixmap(appIcon(iconName).pixmap(88, 88));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    auto* text = new QLabel(title, page);
    text->setObjectName(QStringLiteral("pageTitle"));
    text->setAlignment(Qt::AlignCenter);
    text->setStyleSheet(styles::title());
    layout->addWidget(text);
    if (button) {
        layout->addSpacing(12);
        *button = new QPushButton(buttonText, page);
        (*button)->setStyleSheet(styles::primaryButton());
        (*button)->setMinimumWidth(160);
        layout->addWidget(*button, 0, Qt::AlignHCenter);
    }
    layout->addStretch(3);
    return page;
}

}  // namespace orvane::app
