#pragma once

#include <QColor>
#include <QString>

// The colours the update, feedback and history windows share: one theme blue for actions, links
// and progress, a light grey behind progress, white windows and dark grey text.
namespace orvane::app::theme {

inline QColor themeColor() { return QColor(0x3A, 0x61, 0xF6); }
inline QColor circleProgressBackground() { return QColor(0xE6, 0xE6, 0xE6); }
inline QColor textColor() { return QColor(0x40, 0x40, 0x40); }

inline QString themeButton() {
    return QStringLiteral(
        "QPushButton { outline: none; background: #3A61F6; color: white; border: 2px solid #3A61F6;"
        " border-radius: 15px; padding: 5px 22px; font-size: 13px; font-weight: 600; }"
        "QPushButton:hover { background: #2F51D6; border-color: #2F51D6; }"
        "QPushButton:focus { border-color: #13245E; }"
        "QPushButton:disabled { background: #B9C6F9; border-color: #B9C6F9; color: #F2F5FE; }");
}
inline QString outlineButton() {
    return QStringLiteral(
        "QPushButton { outline: none; background: white; color: #3A61F6; border: 1px solid #3A61F6;"
        " border-radius: 15px; padding: 6px 20px; font-size: 13px; }"
        "QPushButton:hover { background: #F2F5FE; }"
        "QPushButton:focus { border: 2px solid #13245E; padding: 5px 19px; }"
        "QPushButton:disabled { color: #B9C6F9; border-color: #B9C6F9; }");
}
inline QString window() { return QStringLiteral("background: white; color: #404040;"); }
inline QString link() { return QStringLiteral("color: #3A61F6;"); }

}  // namespace orvane::app::theme
