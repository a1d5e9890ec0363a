#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <filesystem>
#include <fstream>

#include "app/preferences/PreferenceViewController.h"
#include "core/settings/PerferenceInfo.h"
#include "support/TempTree.h"

using orvane::app::PreferenceViewController;
using orvane::settings::PerferenceInfo;

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "test_preferences";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

class PreferenceWindow : public ::testing::Test {
protected:
    void SetUp() override { app(); }

    std::unique_ptr<PreferenceViewController> make() {
        PreferenceViewController::Services s;
        s.plistPath = plist;
        s.setLoginItem = [this](bool on) {
            loginCalls.push_back(on);
            return loginError;
        };
        s.chooseFolders = [this](QWidget*) { return nextChoice; };
        return std::make_unique<PreferenceViewController>(std::move(s));
    }
    template <class T>
    T* child(PreferenceViewController& w, const char* name) {
        auto* c = w.findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    PerferenceInfo stored() const { return PerferenceInfo(plist); }
    // Replaces the field's text by typing, then presses Return, as a person enters a figure.
    void type(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
        QApplication::processEvents();
    }
    QMessageBox* openSheet(PreferenceViewController& w) {
        for (auto* box : w.findChildren<QMessageBox*>("preferenceSheet"))
            if (box->isVisible()) return box;
        return nullptr;
    }
    void closeSheets(PreferenceViewController& w) {
        for (auto* box : w.findChildren<QMessageBox*>("preferenceSheet")) box->done(0);
        QApplication::processEvents();
        // The window comes back to the front, as it does when a sheet closes on a desktop.
        if (w.isVisible()) {
            QApplication::setActiveWindow(&w);
            EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        }
    }

    orvane::testing::TempTree tree;
    std::string plist = tree.path("support/PreferenceInfo.plist");
    std::vector<bool> loginCalls;
    std::string loginError;
    QStringList nextChoice;
};

TEST_F(PreferenceWindow, OpensOnTheDefaultsAndWritesEveryChangeAtOnce) {
    auto w = make();
    EXPECT_TRUE(std::filesystem::exists(plist)) << "a first run creates the file";
    EXPECT_TRUE(child<QCheckBox>(*w, "hiddenFile")->isChecked());
    EXPECT_EQ(child<QSlider>(*w, "threshold")->value(), 85);
    EXPECT_EQ(w->selectCount(), 5);

    child<QCheckBox>(*w, "hiddenFile")->click();
    EXPECT_FALSE(stored().omitHidden);
    child<QCheckBox>(*w, "zeroByteFile")->click();
    EXPECT_FALSE(stored().omitZeroByte);

    child<QSlider>(*w, "threshold")->setValue(55);
    auto snap = stored();
    EXPECT_EQ(snap.threshold, 55);
    EXPECT_EQ(snap.dataDict.stringValue("threshold").value_or(""), "55") << "stored as text";

    // A window opened later shows what was saved.
    auto again = make();
    EXPECT_FALSE(child<QCheckBox>(*again, "hiddenFile")->isChecked());
    EXPECT_EQ(child<QSlider>(*again, "threshold")->value(), 55);
}

TEST_F(PreferenceWindow, SizeFieldsKeepThreeCharactersAndRefuseAMaximumBelowTheMinimum) {
    auto w = make();
    w->show();
    auto* maxText = child<QLineEdit>(*w, "maxFileSize");
    auto* minText = child<QLineEdit>(*w, "minFileSize");
    type(maxText, "1234");
    EXPECT_EQ(maxText->text(), "123");
    EXPECT_EQ(stored().localMaxFileSize, "123");

    child<QCheckBox>(*w, "minSelect")->click();
    child<QCheckBox>(*w, "maxSelect")->click();
    type(minText, "500");
    EXPECT_FALSE(stored().minSize.has_value()) << "500 MB above the 123 MB maximum is refused";
    EXPECT_EQ(minText->text(), "");
    closeSheets(*w);
    type(minText, "50");
    EXPECT_EQ(stored().minSize, 50'000'000);

    // 12 MB is below 50 MB: refused, the field and the file keep the previous maximum.
    type(maxText, "12");
    QApplication::processEvents();
    EXPECT_EQ(w->lastSheetText().toStdString(),
              "Maximum value must be greater than or equal to minimum value. Please enter again.");
    EXPECT_NE(openSheet(*w), nullptr);
    EXPECT_EQ(maxText->text(), "123");
    EXPECT_EQ(stored().localMaxFileSize, "123");
    closeSheets(*w);

    // Raising the unit makes the same figure acceptable.
    child<QComboBox>(*w, "maxSizeType")->setCurrentText("GB");
    EXPECT_EQ(stored().maxSize, 123'000'000'000);

    // The photo pair follows the same rule independently.
    child<QCheckBox>(*w, "similarImageMinSelect")->click();
    type(child<QLineEdit>(*w, "similarImageMinFileSize"), "9");
    child<QCheckBox>(*w, "similarImageMaxSelect")->click();
    child<QComboBox>(*w, "similarImageMaxSizeType")->setCurrentText("KB");
    type(child<QLineEdit>(*w, "similarImageMaxFileSize"), "5");
    EXPECT_FALSE(stored().similarImageMaxSize.has_value()) << "5 KB below 9 MB is refused";
}

TEST_F(PreferenceWindow, ASizeIsJudgedWhenTheEditIsFinishedNotOnEveryKey) {
    auto w = make();
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    auto* maxText = child<QLineEdit>(*w, "maxFileSize");
    auto* minText = child<QLineEdit>(*w, "minFileSize");
    child<QCheckBox>(*w, "minSelect")->click();
    child<QCheckBox>(*w, "maxSelect")->click();
    type(maxText, "500");
    ASSERT_EQ(stored().maxSize, 500'000'000);

    // Typing 800 passes through 8 and 80, which fit under 500: nothing is saved or refused
    // until the edit ends, and then 800 itself is refused.
    minText->setFocus();
    minText->selectAll();
    QTest::keyClicks(minText, "800");
    EXPECT_EQ(openSheet(*w), nullptr) << "no refusal while typing";
    EXPECT_FALSE(stored().minSize.has_value()) << "nothing saved while typing";
    EXPECT_EQ(minText->text(), "800");
    QTest::keyClick(minText, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_NE(openSheet(*w), nullptr);
    EXPECT_EQ(w->lastSheetText().toStdString(),
              "Maximum value must be greater than or equal to minimum value. Please enter again.");
    EXPECT_FALSE(stored().minSize.has_value())
        << "the refused figure is not saved, nor any part of it";
    EXPECT_EQ(minText->text(), "");
    closeSheets(*w);

    // Focus leaving the field finishes the edit too.
    minText->setFocus();
    QTest::keyClicks(minText, "80");
    EXPECT_FALSE(stored().minSize.has_value());
    maxText->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(stored().minSize, 80'000'000);
    EXPECT_EQ(openSheet(*w), nullptr);
}

TEST_F(PreferenceWindow, EscapeAndCtrlWCloseTheWindowAndKeepWhatWasTyped) {
    const std::pair<QKeySequence, const char*> closers[] = {
        {QKeySequence(Qt::Key_Escape), "42"}, {QKeySequence(QKeySequence::Close), "43"}};
    for (const auto& [keys, figure] : closers) {
        auto w = make();
        w->show();
        QApplication::setActiveWindow(w.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        auto* maxText = child<QLineEdit>(*w, "maxFileSize");
        maxText->setFocus();
        maxText->selectAll();
        QTest::keyClicks(maxText, figure);
        QTest::keySequence(maxText, keys);
        QApplication::processEvents();
        EXPECT_FALSE(w->isVisible()) << keys.toString().toStdString();
        EXPECT_EQ(stored().localMaxFileSize, figure)
            << "a figure still being typed is saved as the window closes";
    }

    // A refused figure keeps the window open, with the reason.
    auto w = make();
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    child<QCheckBox>(*w, "minSelect")->click();
    type(child<QLineEdit>(*w, "minFileSize"), "100");
    auto* maxText = child<QLineEdit>(*w, "maxFileSize");
    maxText->setFocus();
    maxText->selectAll();
    QTest::keyClicks(maxText, "5");
    QTest::keyClick(maxText, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(w->isVisible());
    EXPECT_NE(openSheet(*w), nullptr);
    EXPECT_EQ(stored().localMaxFileSize, "43");
}

TEST_F(PreferenceWindow, AtLeastOneFileKindStaysTicked) {
    auto w = make();
    for (const char* key : {"video", "audio", "photo", "file"}) child<QCheckBox>(*w, key)->click();
    EXPECT_EQ(w->selectCount(), 1);
    auto snap = stored();
    EXPECT_FALSE(snap.omitVideo);
    EXPECT_FALSE(snap.omitDocument);

    auto* last = child<QCheckBox>(*w, "other");
    last->click();
    QApplication::processEvents();
    EXPECT_TRUE(last->isChecked());
    EXPECT_TRUE(stored().omitOther);
    EXPECT_EQ(w->selectCount(), 1);
    EXPECT_EQ(w->lastSheetText(), "Please select at least one file type.");
    closeSheets(*w);

    child<QCheckBox>(*w, "video")->click();
    EXPECT_EQ(w->selectCount(), 2);
    EXPECT_TRUE(stored().omitVideo);
}

TEST_F(PreferenceWindow, WhiteListsAddOnlyNewPathsAndDeleteMovesTheSelectionUp) {
    auto w = make();
    nextChoice = {"/a"};
    child<QPushButton>(*w, "whiteListAdd")->click();
    nextChoice = {"/a", "/b"};
    child<QPushButton>(*w, "whiteListAdd")->click();
    EXPECT_EQ(stored().localWhiteList, (std::vector<std::string>{"/a", "/b"}));

    // Each type has its own list.
    w->selectWhiteListType(2);
    EXPECT_EQ(child<QListWidget>(*w, "whiteListPaths")->count(), 0);
    nextChoice = {"/big"};
    child<QPushButton>(*w, "whiteListAdd")->click();
    EXPECT_EQ(stored().localLargeFileWhiteListPath, (std::vector<std::string>{"/big"}));
    w->selectWhiteListRow(0);
    child<QPushButton>(*w, "whiteListDelete")->click();
    EXPECT_TRUE(stored().localLargeFileWhiteListPath.empty())
        << "deleting the only row empties the list";
    EXPECT_FALSE(child<QPushButton>(*w, "whiteListDelete")->isEnabled());

    w->selectWhiteListType(0);
    auto* paths = child<QListWidget>(*w, "whiteListPaths");
    ASSERT_EQ(paths->count(), 2);
    w->selectWhiteListRow(1);
    child<QPushButton>(*w, "whiteListDelete")->click();
    EXPECT_EQ(stored().localWhiteList, (std::vector<std::string>{"/a"}));
    EXPECT_EQ(paths->currentRow(), 0);
}

TEST_F(PreferenceWindow, StartWithTheSystemDrivesTheLoginItemAndOffersRetry) {
    auto w = make();
    auto* box = child<QCheckBox>(*w, "autoStartup");
    ASSERT_TRUE(box->isChecked());
    box->click();
    EXPECT_FALSE(stored().autoStartup);
    ASSERT_EQ(loginCalls, std::vector<bool>{false});

    loginError = "permission denied";
    box->click();
    QApplication::processEvents();
    EXPECT_FALSE(box->isChecked()) << "a failed registration leaves the box as it was";
    EXPECT_FALSE(stored().autoStartup);
    auto* sheet = openSheet(*w);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->text(), "Status bar setting failed");

    loginError.clear();
    QPushButton* retry = nullptr;
    for (auto* b : sheet->findChildren<QPushButton*>())
        if (b->text() == "Retry") retry = b;
    ASSERT_NE(retry, nullptr);
    retry->click();
    QApplication::processEvents();
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(stored().autoStartup);
}

}  // namespace

#include <QMenuBar>

#include "app/shell/MainWindow.h"
#include "app/shell/StartupTasks.h"
#include "core/settings/UserDefaults.h"

namespace {

TEST(PreferencesAtStartup, LoginItemFollowsTheStoredChoiceAndCtrlCommaOpensTheWindow) {
    app();
    orvane::testing::TempTree tree;
    orvane::testing::ScopedHome home(tree);
    const std::string entry = home.home() + "/.config/autostart/com.orvane.app.desktop";

    // First run: the defaults ask to start with the system.
    orvane::app::StartupTasks::run(nullptr);
    EXPECT_TRUE(std::filesystem::exists(entry));
    EXPECT_EQ(orvane::settings::UserDefaults::standard()
                  .stringForKey(orvane::settings::defaultskey::lastKnownAppVersion)
                  .value_or(""),
              ORVANE_VERSION);

    // After an update the entry is written again, so it starts the program that runs now.
    {
        std::ofstream(entry)
            << "[Desktop Entry]\nType=Application\nExec=/old/build/orvane-gui --background\n";
    }
    orvane::settings::UserDefaults::standard().setString(
        orvane::settings::defaultskey::lastKnownAppVersion, "0.0.1");
    orvane::app::StartupTasks::run(nullptr);
    {
        std::ifstream in(entry);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(text.find("/old/build"), std::string::npos) << text;
    }

    auto data = PerferenceInfo::defaultDictionary();
    data.set("autoStartup", orvane::settings::PlistValue(false));
    ASSERT_TRUE(orvane::settings::setPerenceInfo(data).ok);
    orvane::app::StartupTasks::run(nullptr);
    EXPECT_FALSE(std::filesystem::exists(entry)) << "unticked in the settings: no entry";

    orvane::app::MainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.preferencesWindow(), nullptr);
    QTest::keyClick(&window, Qt::Key_Comma, Qt::ControlModifier);
    ASSERT_NE(window.preferencesWindow(), nullptr);
    EXPECT_TRUE(window.preferencesWindow()->isVisible());
    auto* box = window.preferencesWindow()->findChild<QCheckBox*>("autoStartup");
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked()) << "the window shows the stored choice";
    box->click();
    EXPECT_TRUE(std::filesystem::exists(entry)) << "ticking it writes the entry at once";
    window.preferencesWindow()->close();
}

}  // namespace
