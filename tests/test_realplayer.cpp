// The preview with the real player, headless: a generated H.264 + AAC clip
// plays, pauses at its end mark, stops at its end; a file that is no media
// is logged and changes nothing else.
#include <functional>

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QThread>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "FakePlatform.h"
#include "PreviewGraph.h"
#include "SegmentBar.h"
#include "TestEnvironment.h"
#include "Unit_CommonLib.h"
#include "Unit_Convert.h"
#include "UnitCustomProc.h"

namespace {

// Lets events run until the condition holds or the (generous) bound passes.
bool WaitFor(const std::function<bool()> &condition, int boundMs = 30000)
{
    QDeadlineTimer deadline(boundMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    return true;
}

class RealPlayerTest : public WindowsTest
{
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        MarkDurationSeconds = 0;
        EndMarkText.clear();
        MarksPlaced = false;
    }

    QTreeWidget *List() const { return m_main->dxTreeSourceFileInfo; }
    QString Clock() const { return m_main->pnlCurTime->text(); }
};

TEST_F(RealPlayerTest, PlaysPausesAtTheEndMarkAndStopsAtTheEnd)
{
    const QString clip = MakeClip({QStringLiteral("preview_h264_aac.mp4"), 4.0});
    CommonLib->AddSourceFiles(List(), {clip});
    ASSERT_EQ(List()->topLevelItemCount(), 1);
    QTreeWidgetItem *row = List()->topLevelItem(0);
    row->setSelected(true);

    // Click the row, then pull the end thumb to the middle: 00:00:02.
    m_main->actDxTreeListOnClickExecute();
    ASSERT_EQ(MarkDurationSeconds, 4);
    m_main->Panel1->SetRightWidth(109);
    m_main->Splitter2Moved();
    ASSERT_EQ(row->text(colEndTime), QStringLiteral("00:00:02"));
    ASSERT_EQ(EndMarkText, QStringLiteral("00:00:02"));

    m_main->dxTreeSourceFileInfoDblClick();
    ASSERT_TRUE(CustomProc->IsPlaying) << LogMessages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(CommonLib->PlayingFile, clip);
    EXPECT_TRUE(m_main->panLogo->isHidden());

    QStringList clockSeen;
    const auto watchClock = [&] {
        if (clockSeen.isEmpty() || clockSeen.last() != Clock())
            clockSeen << Clock();
    };
    ASSERT_TRUE(WaitFor([&] {
        watchClock();
        return !CustomProc->IsPlaying;
    })) << clockSeen.join(QLatin1Char(' ')).toStdString();
    // Paused on the tick that showed the mark (or, on a late tick, stepped over it).
    EXPECT_GE(TCommonLib::TimeTextToSeconds(Clock()), 2) << clockSeen.join(QLatin1Char(' ')).toStdString();
    EXPECT_FALSE(clockSeen.contains(QStringLiteral("00:00:04")));
    EXPECT_TRUE(m_main->DSVideoWindowEx1->HasPicture());
    EXPECT_EQ(CommonLib->PlayingFile, clip);
    // Paused at the beginning of the file, picture kept.
    EXPECT_TRUE(WaitFor([&] { return m_main->FilterGraph->CurrentPositionMs() < 1000; }));
    EXPECT_TRUE(m_main->panLogo->isHidden());

    // Without an end mark the clip plays to its end and the preview stops.
    EndMarkText.clear();
    m_main->btnPlayClick();
    EXPECT_TRUE(CustomProc->IsPlaying);
    ASSERT_TRUE(WaitFor([&] { return CommonLib->PlayingFile.isEmpty(); }));
    EXPECT_FALSE(CustomProc->IsPlaying);
    EXPECT_EQ(Clock(), QStringLiteral("00:00:00"));
    EXPECT_FALSE(m_main->panLogo->isHidden());
    EXPECT_TRUE(LogMessages().isEmpty());
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
}

TEST_F(RealPlayerTest, AFileThatIsNoMediaIsLoggedAndShowsNothing)
{
    const QString fake = TempPath(QStringLiteral("notes.mp4"));
    QFile file(fake);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("These are plain notes, not a video.\n");
    file.close();
    AddRow(fake, QStringLiteral("00:00:10"));
    List()->topLevelItem(0)->setSelected(true);

    m_main->dxTreeSourceFileInfoDblClick();
    EXPECT_EQ(LogMessages(), QStringList{QStringLiteral("Playing Video error.")});
    EXPECT_FALSE(CustomProc->IsPlaying);
    EXPECT_FALSE(m_main->panLogo->isHidden());
    EXPECT_FALSE(m_main->DSVideoWindowEx1->HasPicture());
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());

    // The preview still works afterwards.
    m_main->RzBmpButton1Click();
    EXPECT_TRUE(CommonLib->PlayingFile.isEmpty());
}

} // namespace
