#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include "app/common/ProgressRing.h"
#include "app/common/ScanningViewController.h"
#include "support/GuiTestSupport.h"
#include "support/TempTree.h"

using namespace orvane::app;
using namespace orvane::testing;

namespace {

class ScanningViewTest : public ::testing::Test {
protected:
    void SetUp() override { guiApp(); }
    void TearDown() override { orvane::testing::rejectOpenMessageBoxes(); }
};

}  // namespace

TEST_F(ScanningViewTest, ProgressNeverMovesBackAndFreezesAfterAStop) {
    ScanningViewController view(ModuleType::duplicateFiles);
    view.startScanning();
    view.scanProgress(0.4);
    EXPECT_DOUBLE_EQ(view.ring()->value(), 0.4);
    view.scanProgress(0.3);
    EXPECT_DOUBLE_EQ(view.ring()->value(), 0.4);
    EXPECT_EQ(view.leftPanel()->progressLabel()->text(), "40%");
    view.scanProgress(0.5);
    EXPECT_DOUBLE_EQ(view.ring()->value(), 0.5);
    EXPECT_DOUBLE_EQ(view.leftPanel()->lastProgressValue, 0.5);

    view.markStopped();
    view.scanProgress(0.9);
    EXPECT_DOUBLE_EQ(view.ring()->value(), 0.5);

    // A stop flag raised on the driver by someone else freezes it too.
    ScanningViewController other(ModuleType::largeFiles);
    bool driverStopping = false;
    other.isDriverStopping = [&] { return driverStopping; };
    other.startScanning();
    other.scanProgress(0.2);
    driverStopping = true;
    other.scanProgress(0.6);
    EXPECT_DOUBLE_EQ(other.ring()->value(), 0.2);
}

TEST_F(ScanningViewTest, ElapsedTimeCountsWholeSecondsOfTenthTicks) {
    ScanningViewController view(ModuleType::duplicateFiles);
    view.startScanning();
    QLabel* elapsed = view.leftPanel()->elapsedLabel();
    for (int i = 0; i < 9; ++i) view.tick();
    EXPECT_EQ(elapsed->text(), "00:00");
    view.tick();
    EXPECT_EQ(elapsed->text(), "00:01");
    for (int i = 0; i < 640; ++i) view.tick();
    EXPECT_EQ(elapsed->text(), "01:05");
    view.scanFinished();
    EXPECT_FALSE(view.leftPanel()->myTimer.isActive());
    view.startScanning();
    EXPECT_EQ(elapsed->text(), "00:00");
}

TEST_F(ScanningViewTest, TheRealClockTicksEveryTenthOfASecond) {
    ScanningViewController view(ModuleType::largeFiles);
    view.startScanning();
    EXPECT_EQ(view.leftPanel()->myTimer.interval(), 100);
    EXPECT_TRUE(
        waitUntil([&] { return view.leftPanel()->elapsedLabel()->text() == "00:01"; }, 3000));
}

TEST_F(ScanningViewTest, FoundCountIsCappedAtAMillion) {
    EXPECT_EQ(ScanningViewController::foundItemsText(1'250'000), "999999+ Items");
    EXPECT_EQ(ScanningViewController::foundItemsText(1'000'000), "999999+ Items");
    EXPECT_EQ(ScanningViewController::foundItemsText(1), "1 Item");
    EXPECT_EQ(ScanningViewController::foundItemsText(0), "0 Items");
    EXPECT_TRUE(ScanningViewController::foundItemsText(999'999).startsWith("999"));
    EXPECT_FALSE(ScanningViewController::foundItemsText(999'999).contains("+"));
    ScanningViewController view(ModuleType::duplicateFiles);
    view.setDuplicatesFound(1'250'000, 4'000'000'000);
    EXPECT_EQ(view.leftPanel()->foundLabel()->text(), "999999+ Items");
}

TEST_F(ScanningViewTest, EachModuleHasItsTitleAndCounters) {
    ScanningViewController dup(ModuleType::duplicateFiles);
    EXPECT_EQ(dup.titleLabel()->text(), "Searching for Duplicates");
    EXPECT_EQ(dup.counterLabel(0)->text(), "0.0MB");
    dup.setKindSizes(1'500'000, 2'000'000'000, 0);
    EXPECT_EQ(dup.counterLabel(0)->text(), "1.5 MB");
    EXPECT_EQ(dup.counterLabel(1)->text(), "2 GB");
    dup.scaningPath("/data/a\nb\xff.txt");
    // A line break and bytes that are not UTF-8 stay visible on the one line.
    EXPECT_EQ(dup.pathLabel()->toolTip(), QString::fromUtf8("/data/a\u2424b\uFFFD.txt"));

    ScanningViewController large(ModuleType::largeFiles);
    EXPECT_EQ(large.titleLabel()->text(), "Scanning Large Files");
    large.setScannedCount(12);
    EXPECT_EQ(large.counterLabel(0)->text(), "12 Large Files Scanned");
    large.setScannedCount(1);
    EXPECT_EQ(large.counterLabel(0)->text(), "1 Large File Scanned");

    ScanningViewController photos(ModuleType::similarPhotos);
    EXPECT_EQ(photos.counterLabel(1)->text(), "0 similar images found");
    photos.setScannedCount(7);
    EXPECT_EQ(photos.counterLabel(0)->text(), "7 similar images scanned");
}

TEST_F(ScanningViewTest, StopAsksTheModulesQuestionAndOnlyYesStops) {
    struct Case {
        ModuleType type;
        const char* question;
    } cases[] = {
        {ModuleType::duplicateFiles,
         "Only partial duplicates can be found if you stop scanning. Are you sure you want to "
         "stop?"},
        {ModuleType::similarPhotos,
         "Only a few similar images will be found.  Are you sure to stop?"},
        {ModuleType::largeFiles,
         "Once you stop the scan, only some large files can be found. Are you sure to stop?"},
    };
    for (const Case& c : cases) {
        ScanningViewController view(c.type);
        view.show();
        view.startScanning();
        int stops = 0;
        view.stopConfirmed = [&] { ++stops; };
        view.stopButton()->click();
        QMessageBox* box = waitForMessageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), c.question);
        ASSERT_TRUE(answerMessageBox("Cancel"));
        EXPECT_EQ(stops, 0);
        EXPECT_FALSE(view.isStopped());
        view.stopButton()->click();
        ASSERT_TRUE(answerMessageBox("Yes"));
        EXPECT_EQ(stops, 1);
        EXPECT_TRUE(view.isStopped());
        EXPECT_FALSE(view.stopButton()->isEnabled());
    }
}

TEST_F(ScanningViewTest, AScanThatEndsWhileTheStopQuestionIsOpenWithdrawsIt) {
    for (ModuleType type :
         {ModuleType::duplicateFiles, ModuleType::similarPhotos, ModuleType::largeFiles}) {
        ScanningViewController view(type);
        view.show();
        view.startScanning();
        int stops = 0;
        view.stopConfirmed = [&] { ++stops; };
        view.stopButton()->click();
        QPointer<QMessageBox> box = waitForMessageBox();
        ASSERT_NE(box, nullptr);
        // A second press while it is open does not stack another question.
        view.requestStop();
        EXPECT_EQ(view.stopQuestion(), box.data());

        view.scanFinished();
        QApplication::processEvents();
        EXPECT_TRUE(box.isNull() || !box->isVisible()) << "the question outlived the scan";
        EXPECT_EQ(openMessageBox(), nullptr);
        EXPECT_EQ(stops, 0) << "a finished scan is not reported as stopped";
        EXPECT_FALSE(view.isStopped());

        // Nothing is left to stop: no question comes back.
        view.requestStop();
        EXPECT_EQ(openMessageBox(), nullptr);

        // The next scan asks again.
        view.startScanning();
        view.stopButton()->click();
        ASSERT_NE(waitForMessageBox(), nullptr);
        ASSERT_TRUE(answerMessageBox("Yes"));
        EXPECT_EQ(stops, 1);
    }
}
