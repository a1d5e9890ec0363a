#pragma once

#include <QString>

// One look for every screen, in one place.
namespace orvane::app::styles {

inline QString title() {
    return QStringLiteral("color: #1d2733; font-size: 22px; font-weight: 600;");
}
inline QString subtitle() { return QStringLiteral("color: #5b6776; font-size: 13px;"); }
// The heading over the files a removal left behind, alike on every finished page.
inline QString failuresHeading() { return QStringLiteral("color: #c2463b; font-weight: 600;"); }
// Keyboard focus is shown by a 2px ring, so a user moving with Tab always sees where Space and
// Enter will act: the accent on white buttons, a deep accent around a button filled with it.
// Every styled button reserves the ring's width in its normal state, so gaining focus never
// shifts its text; the faint box the platform style draws round a focused label is turned off
// (outline: none), the ring replaces it. The styles of other buttons (menus, tabs, segments)
// follow the same rule.
inline QString primaryButton() {
    return QStringLiteral(
        "QPushButton { outline: none; background: #2f7cf6; color: white; border: 2px solid #2f7cf6;"
        " border-radius: 17px; padding: 6px 26px; font-size: 14px; font-weight: 600;"
        " min-height: 18px; }"
        "QPushButton:hover { background: #2468d8; border-color: #2468d8; }"
        "QPushButton:focus { border-color: #0b2f6b; }"
        "QPushButton:disabled { background: #b8cdee; border-color: #b8cdee; color: #eef3fb; }");
}
inline QString secondaryButton() {
    return QStringLiteral(
        "QPushButton { outline: none; background: #ffffff; color: #24303f; border: 1px solid "
        "#c8d1dc;"
        " border-radius: 15px; padding: 6px 18px; font-size: 13px; }"
        "QPushButton:hover { background: #f0f4f9; }"
        "QPushButton:focus { border: 2px solid #2f7cf6; padding: 5px 17px; }"
        "QPushButton:disabled { color: #a0a9b4; }");
}
inline QString linkButton() {
    return QStringLiteral(
        "QPushButton { outline: none; background: transparent; border: 2px solid transparent; "
        "border-radius: 6px;"
        " color: #2f7cf6; font-size: 13px; padding: 2px 4px; }"
        "QPushButton:hover { text-decoration: underline; }"
        "QPushButton:focus { border-color: #2f7cf6; }"
        "QPushButton:disabled { color: #a0a9b4; }");
}

}  // namespace orvane::app::styles
