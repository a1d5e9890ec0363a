#include "app/shell/Appearance.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

namespace orvane::app {

void applyAppearance() {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    QPalette p = QApplication::palette();
    p.setColor(QPalette::Window, QColor(0xff, 0xff, 0xff));
    p.setColor(QPalette::Base, QColor(0xff, 0xff, 0xff));
    p.setColor(QPalette::AlternateBase, QColor(0xf7, 0xf9, 0xfc));
    p.setColor(QPalette::WindowText, QColor(0x24, 0x30, 0x3f));
    p.setColor(QPalette::Text, QColor(0x24, 0x30, 0x3f));
    p.setColor(QPalette::Button, QColor(0xf3, 0xf6, 0xfa));
    p.setColor(QPalette::ButtonText, QColor(0x24, 0x30, 0x3f));
    p.setColor(QPalette::Highlight, QColor(0x2f, 0x7c, 0xf6));
    p.setColor(QPalette::HighlightedText, QColor(0xff, 0xff, 0xff));
    QApplication::setPalette(p);
}

}  // namespace orvane::app
