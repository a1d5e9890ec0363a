// A keyboard user must see where Tab went: every styled button draws a clear ring when it has
// the focus, and gaining the focus does not move its text.
#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <cstdlib>
#include <string>

#include "app/common/ScanningViewController.h"
#include "app/common/Styles.h"
#include "app/common/ThemeColors.h"
#include "app/duplicates/DuplicateResultView.h"
#include "app/photos/PhotoResultView.h"
#include "support/GuiTestSupport.h"

using namespace orvane::app;
using orvane::testing::guiApp;

namespace {

struct FocusChange {
    int edgePixels = 0;    // pixels within 3px of the outline
    int ringPixels = 0;    // of those, how many changed clearly
    int innerChanged = 0;  // pixels further inside that changed at all
};

int difference(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
           std::abs(qBlue(a) - qBlue(b));
}

// `before` and `after` are grabs of one button without and with the focus.
FocusChange compare(const QImage& before, const QImage& after) {
    FocusChange c;
    const int w = before.width(), h = before.height();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int d = difference(before.pixel(x, y), after.pixel(x, y));
            const int inset = std::min({x, y, w - 1 - x, h - 1 - y});
            if (inset < 3) {
                ++c.edgePixels;
                // A faint shade (a few levels) does not count: the ring must stand out.
                if (d > 120) ++c.ringPixels;
            }
            // Where the label is: clear of the outline and of the rounded ends, which are as
            // wide as half the height.
            const bool label = std::min(y, h - 1 - y) >= 5 && std::min(x, w - 1 - x) >= h / 2 + 2;
            if (label && d > 0) ++c.innerChanged;
        }
    }
    return c;
}

// As it shows on its parent: a transparent button is its parent's colour around the text.
QImage grab(QWidget* w) {
    QApplication::processEvents();
    return w->parentWidget()->grab(w->geometry()).toImage().convertToFormat(QImage::Format_RGB32);
}

// Moves the focus onto `button` from a neighbour and tells what changed on it.
FocusChange focusOnto(QAbstractButton* button, QWidget* neighbour) {
    neighbour->setFocus(Qt::OtherFocusReason);
    const QImage before = grab(button);
    button->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(button->hasFocus()) << button->text().toStdString();
    return compare(before, grab(button));
}

void expectRing(const FocusChange& c, const std::string& what) {
    // A 2px ring along the outline changes well over a third of the 3px band round it.
    EXPECT_GT(c.ringPixels, c.edgePixels / 3)
        << what << ": " << c.ringPixels << " of " << c.edgePixels << " edge pixels changed";
    EXPECT_EQ(c.innerChanged, 0) << what << ": its label changed (" << c.innerChanged << ")";
}

}  // namespace

TEST(FocusRing, EveryButtonStyleShowsWhereTabWent) {
    guiApp();
    const std::pair<const char*, QString> kinds[] = {
        {"primary", styles::primaryButton()},
        {"secondary", styles::secondaryButton()},
        {"link", styles::linkButton()},
        {"theme", theme::themeButton()},
        {"theme outline", theme::outlineButton()},
    };
    for (const auto& [name, style] : kinds) {
        QWidget window;
        window.setStyleSheet(QStringLiteral("QWidget { background: white; }"));
        auto* row = new QHBoxLayout(&window);
        auto* first = new QPushButton(QStringLiteral("Back"), &window);
        auto* styled = new QPushButton(QStringLiteral("Scan Now"), &window);
        styled->setStyleSheet(style);
        row->addWidget(first);
        row->addWidget(styled);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        first->setFocus();
        const QImage before = grab(styled);
        QTest::keyClick(&window, Qt::Key_Tab);  // as a person moves on
        ASSERT_TRUE(styled->hasFocus()) << name;
        expectRing(compare(before, grab(styled)), name);
        // Tab on, and the ring goes with the focus.
        QTest::keyClick(&window, Qt::Key_Tab);
        ASSERT_FALSE(styled->hasFocus()) << name;
        EXPECT_EQ(compare(before, grab(styled)).ringPixels, 0) << name;
    }
}

TEST(FocusRing, TheResultScreensMenuAndBarButtonsShowIt) {
    guiApp();
    DuplicateResultView duplicates;
    duplicates.resize(1000, 640);
    duplicates.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&duplicates));
    expectRing(focusOnto(duplicates.selectButton(), duplicates.backButton()), "Auto select");
    expectRing(focusOnto(duplicates.sortButton(), duplicates.backButton()), "Sort by");
    expectRing(focusOnto(duplicates.backButton(), duplicates.sortButton()), "Back");

    PhotoResultView photos(nullptr);
    photos.resize(1000, 640);
    photos.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&photos));
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             photos.autoSelectButton(), photos.selectAllButton(), photos.sortButton(),
             photos.modeButton()})
        expectRing(focusOnto(b, photos.backButton()), b->text().toStdString());

    ScanningViewController scanning(ModuleType::duplicateFiles);
    scanning.resize(900, 600);
    scanning.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&scanning));
    QPushButton other(QStringLiteral("Elsewhere"), &scanning);
    other.show();
    expectRing(focusOnto(scanning.stopButton(), &other), "Stop");
}
