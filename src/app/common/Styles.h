#pragma once

#include <QString>

// One look for every screen, in one place.
namespace orvane::app::styles {

inline QString title() {
    return QStringLiteral("color: #1d2733; font-size: 22px; font-weight: 600;");
}
inline QString subtitle() { return QStringLiteral("color: #5b6776; font-size: 13px;"); }
inline QString primaryButton() {
    return QStringLiteral(
        "QPushButton { background: #2f7cf6; color: white; border: none; border-radius: 17px;"
        " padding: 8px 28px; font-size: 14px; font-weight: 600; min-height: 18px; }"
        "QPushButton:hover { background: #2468d8; }"
        "QPushButton:disabled { background: #b8cdee; color: #eef3fb; }");
}
inline QString secondaryButton() {
    return QStringLiteral(
        "QPushButton { background: #ffffff; color: #24303f; border: 1px solid #c8d1dc;"
        " border-radius: 15px; padding: 6px 18px; font-size: 13px; }"
        "QPushButton:hover { background: #f0f4f9; }"
        "QPushButton:disabled { color: #a0a9b4; }");
}
inline QString linkButton() {
    return QStringLiteral(
        "QPushButton { background: transparent; border: none; color: #2f7cf6; font-size: 13px;"
        " padding: 4px 6px; }"
        "QPushButton:hover { text-decoration: underline; }"
        "QPushButton:disabled { color: #a0a9b4; }");
}

}  // namespace orvane::app::styles
