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

    // Fusion paints the handle in the light button colour over a darker groove, which reads as
    // a hole rather than a thumb. A darker handle on a pale track reads the right way up.
    qApp->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { background: #f1f4f8; width: 12px; margin: 0; border: none; }"
        "QScrollBar:horizontal { background: #f1f4f8; height: 12px; margin: 0; border: none; }"
        "QScrollBar::handle:vertical { background: #b4bfcc; min-height: 32px; border-radius: 4px;"
        " margin: 2px; }"
        "QScrollBar::handle:horizontal { background: #b4bfcc; min-width: 32px; border-radius: 4px;"
        " margin: 2px; }"
        "QScrollBar::handle:hover { background: #8e9aa9; }"
        "QScrollBar::handle:pressed { background: #6f7c8c; }"
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"));
}

}  // namespace orvane::app
