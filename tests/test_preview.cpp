// The preview player and the segment bar: the bar's arithmetic, the
// player's states with a fake player, the thumbs writing the rows, and video
// frames turned into pictures.
#include <cstring>

#include <QLabel>
#include <QProgressBar>
#include <QTreeWidget>
#include <QVideoFrame>
#include <QVideoFrameFormat>

#include <gtest/gtest.h>

#include "FakeGraph.h"
#include "FakePlatform.h"
#include "SegmentBar.h"
#include "SegmentMath.h"
#include "TestEnvironment.h"
#include "Unit_CommonLib.h"
#include "Unit_Convert.h"
#include "UnitCustomProc.h"

namespace {

using namespace SegmentMath;

// --- Arithmetic ---------------------------------------------------------------------

struct ThumbTimeCase
{
    const char *Name;
    bool StartThumb;
    int Width;      // wL for the start thumb, wR for the end thumb
    int Duration;
    int Percent;
    int Seconds;
};

class ThumbTime : public ::testing::TestWithParam<ThumbTimeCase>
{
};

TEST_P(ThumbTime, OffsetGivesPercentAndSeconds)
{
    const ThumbTimeCase &c = GetParam();
    const int offset = c.StartThumb ? StartOffset(c.Width) : EndOffset(c.Width);
    EXPECT_EQ(OffsetPercent(offset), c.Percent);
    EXPECT_EQ(PercentSeconds(OffsetPercent(offset), c.Duration), c.Seconds);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThumbTime,
    ::testing::Values(ThumbTimeCase{"StartAtLeftEnd", true, 1, 60, 0, 0},
                      ThumbTimeCase{"EndAtRightEnd", false, 1, 60, 100, 60},
                      ThumbTimeCase{"EndAtRightEndLongFile", false, 1, 7201, 100, 7201},
                      ThumbTimeCase{"StartOffset108Of60s", true, 109, 60, 50, 30},
                      ThumbTimeCase{"StartAgainstEndThumb", true, 217, 60, 100, 60},
                      ThumbTimeCase{"EndAtLeftmost", false, 217, 60, 0, 0},
                      ThumbTimeCase{"NoDurationYet", false, 50, 0, 77, 0}),
    [](const auto &info) { return std::string(info.param.Name); });

struct PlaceCase
{
    const char *Name;
    int Start, End, Duration;
    ThumbWidths Current;
    ThumbWidths Expected;
};

class Placing : public ::testing::TestWithParam<PlaceCase>
{
};

TEST_P(Placing, RowPlacesThumbs)
{
    const PlaceCase &c = GetParam();
    EXPECT_EQ(PlaceThumbs(c.Start, c.End, c.Duration, c.Current), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Placing,
    ::testing::Values(PlaceCase{"WholeFile", 0, 60, 60, {40, 40}, {1, 1}},
                      PlaceCase{"SecondHalf", 30, 60, 60, {1, 1}, {110, 1}},
                      PlaceCase{"HalfRoundsDownToEven", 1, 4, 4, {1, 1}, {55, 1}},
                      PlaceCase{"HalfRoundsUpToEven", 3, 4, 4, {1, 1}, {165, 1}},
                      PlaceCase{"LeftMovesFromTwoPixels", 2, 218, 218, {1, 1}, {3, 1}},
                      PlaceCase{"LeftStaysUnderTwoPixels", 1, 218, 218, {1, 1}, {1, 1}},
                      PlaceCase{"RightStaysUnderThreePixels", 0, 216, 218, {1, 1}, {1, 1}},
                      PlaceCase{"RightMovesFromThreePixels", 0, 215, 218, {1, 1}, {1, 4}},
                      PlaceCase{"ZeroDurationKeepsThumbs", 10, 20, 0, {30, 40}, {30, 40}}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST(RegionStep, ModifiersChooseTheStep)
{
    EXPECT_EQ(RegionStep(Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier), 1);
    EXPECT_EQ(RegionStep(Qt::RightButton, Qt::RightButton, Qt::ShiftModifier), 10);
    EXPECT_EQ(RegionStep(Qt::LeftButton, Qt::LeftButton, Qt::NoModifier), 5);
    EXPECT_EQ(RegionStep(Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier), 5);
    EXPECT_EQ(RegionStep(Qt::LeftButton, Qt::LeftButton | Qt::RightButton, Qt::ControlModifier), 5);
    EXPECT_EQ(RegionStep(Qt::LeftButton, Qt::LeftButton, Qt::AltModifier), 5);
}

struct RegionCase
{
    const char *Name;
    Region Where;
    Qt::MouseButton Button;
    int Step, Left, Right, Middle;
    RegionMove Expected;
};

class RegionClicks : public ::testing::TestWithParam<RegionCase>
{
};

TEST_P(RegionClicks, StepOrNothing)
{
    const RegionCase &c = GetParam();
    const RegionMove move = RegionClick(c.Where, c.Button, c.Step, c.Left, c.Right, c.Middle);
    EXPECT_EQ(move.Done, c.Expected.Done);
    if (c.Expected.Done) {
        EXPECT_EQ(move.StartThumb, c.Expected.StartThumb);
        EXPECT_EQ(move.NewWidth, c.Expected.NewWidth);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegionClicks,
    ::testing::Values(RegionCase{"CtrlRightOnLeftAtEnd", Region::Left, Qt::RightButton, 1, 1, 1, 216, {}},
                      RegionCase{"RightOnLeft", Region::Left, Qt::RightButton, 5, 20, 1, 197, {true, true, 15}},
                      RegionCase{"LeftOnLeft", Region::Left, Qt::LeftButton, 5, 20, 1, 197, {true, true, 25}},
                      RegionCase{"ShiftLeftOnMiddleOfTen", Region::Middle, Qt::LeftButton, 10, 100, 108, 10, {}},
                      RegionCase{"ShiftLeftOnMiddleOfEleven", Region::Middle, Qt::LeftButton, 10, 100, 107, 11,
                                 {true, true, 110}},
                      RegionCase{"RightOnMiddle", Region::Middle, Qt::RightButton, 5, 1, 1, 216, {true, false, 6}},
                      RegionCase{"RightOnRight", Region::Right, Qt::RightButton, 5, 1, 1, 216, {true, false, 6}},
                      RegionCase{"LeftOnRightAtEnd", Region::Right, Qt::LeftButton, 5, 1, 5, 212, {}},
                      RegionCase{"LeftOnRight", Region::Right, Qt::LeftButton, 5, 1, 6, 211, {true, false, 1}},
                      RegionCase{"MiddleButton", Region::Middle, Qt::MiddleButton, 5, 1, 1, 216, {}}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST(Clock, FormatsHoursUncapped)
{
    EXPECT_EQ(ClockText(0), QStringLiteral("00:00:00"));
    EXPECT_EQ(ClockText(3661), QStringLiteral("01:01:01"));
    EXPECT_EQ(ClockText(100 * 3600 + 59), QStringLiteral("100:00:59"));
}

TEST(Clock, EndMarkByTextOrSteppedOver)
{
    const QString mark = QStringLiteral("00:00:10");
    EXPECT_TRUE(EndMarkReached(QStringLiteral("00:00:10"), mark, 9, 10));
    EXPECT_TRUE(EndMarkReached(QStringLiteral("00:00:11"), mark, 9, 11));
    EXPECT_FALSE(EndMarkReached(QStringLiteral("00:00:11"), mark, 10, 11));
    EXPECT_FALSE(EndMarkReached(QStringLiteral("00:00:11"), mark, -1, 11));  // first tick after a seek
    EXPECT_FALSE(EndMarkReached(QStringLiteral("00:00:09"), mark, 8, 9));
    EXPECT_FALSE(EndMarkReached(QStringLiteral("00:00:09"), QString(), 8, 9));
}

TEST(SegmentBarWidget, ThumbsNeverPassAndRegionsKeepOnePixel)
{
    TSegmentBar bar;
    EXPECT_EQ(bar.LeftWidth(), 1);
    EXPECT_EQ(bar.RightWidth(), 1);
    EXPECT_EQ(bar.MiddleWidth(), 216);
    bar.SetLeftWidth(0);
    EXPECT_EQ(bar.LeftWidth(), 1);
    bar.SetLeftWidth(500);
    EXPECT_EQ(bar.MiddleWidth(), 0);
    EXPECT_EQ(bar.LeftWidth(), 217);
    EXPECT_FALSE(bar.SetRightWidth(5));
    EXPECT_EQ(bar.EndThumb->x(), bar.StartThumb->x() + 20);
    EXPECT_EQ(bar.RightRegion->geometry().right(), 258);
}

// --- The player's states and the thumbs, in the window -------------------------------------

class PreviewTest : public WindowsTest
{
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        m_graph = InstallFakeGraph(*m_main);
        MarkDurationSeconds = 0;
        EndMarkText.clear();
        MarksPlaced = false;
    }

    QTreeWidget *List() const { return m_main->dxTreeSourceFileInfo; }
    QTreeWidgetItem *Row(int i) const { return List()->topLevelItem(i); }
    void Select(std::initializer_list<int> rows)
    {
        List()->clearSelection();
        for (int i : rows)
            Row(i)->setSelected(true);
    }
    bool LogoShown() const { return !m_main->panLogo->isHidden(); }
    bool Ticking() const { return m_main->dstrckbrMainform->Ticking(); }
    void Tick() { m_main->dstrckbrMainform->Tick(); }

    TFakeGraph *m_graph = nullptr;
};

TEST_F(PreviewTest, StartThumbAtHalfOfSixtySecondsWritesStartAndCut)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"));
    Select({0});
    m_main->actDxTreeListOnClickExecute();
    m_main->Panel1->SetLeftWidth(109);
    m_main->Splitter1Moved();
    EXPECT_EQ(Row(0)->text(colStartTime), QStringLiteral("00:00:30"));
    EXPECT_EQ(Row(0)->text(colCutTime), QStringLiteral("00:00:30"));
    EXPECT_TRUE(m_graph->Seeks.isEmpty());  // nothing loaded: the failed seek is ignored
}

TEST_F(PreviewTest, StartThumbSeeksThePlayingFileOnceMarksArePlaced)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"));
    Select({0});
    m_main->actDxTreeListOnClickExecute();
    m_main->dxTreeSourceFileInfoDblClick();
    m_main->Panel1->SetLeftWidth(109);
    m_main->Splitter1Moved();
    EXPECT_EQ(m_graph->Seeks, QList<qint64>{30000});
}

TEST_F(PreviewTest, EndThumbAtRightEndGivesFullDurationAndEndMark)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:40"), QStringLiteral("00:00:10"),
           QStringLiteral("00:00:50"));
    Select({0});
    m_main->actDxTreeListOnClickExecute();
    m_main->Panel1->SetRightWidth(1);
    m_main->Splitter2Moved();
    EXPECT_EQ(Row(0)->text(colEndTime), QStringLiteral("00:01:40"));
    EXPECT_EQ(Row(0)->text(colCutTime), QStringLiteral("00:01:30"));
    EXPECT_EQ(EndMarkText, QStringLiteral("00:01:40"));
}

TEST_F(PreviewTest, ThumbMovedBeforeAnyRowClickedWritesZeroAndDoesNotSeek)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"));
    Select({0});
    m_main->dxTreeSourceFileInfoDblClick();  // loaded, but the marks were never placed
    MarkDurationSeconds = 0;
    m_main->Panel1->SetLeftWidth(109);
    m_main->Splitter1Moved();
    EXPECT_EQ(Row(0)->text(colStartTime), QStringLiteral("00:00:00"));
    EXPECT_TRUE(m_graph->Seeks.isEmpty());
}

TEST_F(PreviewTest, SeveralSelectedRowsEachGetTheTimeAndTheirOwnCut)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"), QStringLiteral("00:00:00"), QStringLiteral("00:00:50"));
    AddRow(QStringLiteral("/m/b.mp4"), QStringLiteral("00:02:00"), QStringLiteral("00:00:00"), QStringLiteral("00:01:40"));
    Select({0});
    m_main->actDxTreeListOnClickExecute();
    Select({0, 1});
    m_main->Panel1->SetLeftWidth(109);
    m_main->Splitter1Moved();
    EXPECT_EQ(Row(0)->text(colStartTime), QStringLiteral("00:00:30"));
    EXPECT_EQ(Row(1)->text(colStartTime), QStringLiteral("00:00:30"));
    EXPECT_EQ(Row(0)->text(colCutTime), QStringLiteral("00:00:20"));
    EXPECT_EQ(Row(1)->text(colCutTime), QStringLiteral("00:01:10"));
}

TEST_F(PreviewTest, RegionClicksThatHaveNoRoomDoNothing)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"), QStringLiteral("00:00:07"), QStringLiteral("00:00:50"));
    Select({0});
    MarkDurationSeconds = 60;
    m_main->Panel2MouseDown(Qt::RightButton, Qt::RightButton, Qt::ControlModifier);
    EXPECT_EQ(m_main->Panel1->LeftWidth(), 1);
    EXPECT_EQ(Row(0)->text(colStartTime), QStringLiteral("00:00:07"));

    m_main->Panel1->SetLeftWidth(100);
    m_main->Panel1->SetRightWidth(108);
    ASSERT_EQ(m_main->Panel1->MiddleWidth(), 10);
    m_main->Panel4MouseDown(Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(m_main->Panel1->LeftWidth(), 100);
    EXPECT_EQ(Row(0)->text(colStartTime), QStringLiteral("00:00:07"));

    // With room, the same click steps the start thumb and rewrites the row.
    m_main->Panel4MouseDown(Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(m_main->Panel1->LeftWidth(), 101);
    EXPECT_EQ(Row(0)->text(colStartTime), QStringLiteral("00:00:27"));
}

TEST_F(PreviewTest, RowClickPlacesThumbsWithoutRewritingTheRow)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"), QStringLiteral("00:00:30"), QStringLiteral("00:01:00"));
    AddRow(QStringLiteral("/m/zero.mp4"), QStringLiteral("00:00:00"), QStringLiteral("00:00:00"), QStringLiteral("00:00:00"));
    Select({0});
    m_main->actDxTreeListOnClickExecute();
    EXPECT_EQ(m_main->Panel1->LeftWidth(), 110);
    EXPECT_EQ(m_main->Panel1->RightWidth(), 1);
    EXPECT_EQ(MarkDurationSeconds, 60);
    EXPECT_TRUE(MarksPlaced);
    EXPECT_EQ(Row(0)->text(colStartTime), QStringLiteral("00:00:30"));

    // A row of no duration leaves the thumbs where they are.
    Select({1});
    m_main->actDxTreeListOnClickExecute();
    EXPECT_EQ(m_main->Panel1->LeftWidth(), 110);
    EXPECT_EQ(MarkDurationSeconds, 0);
}

TEST_F(PreviewTest, ClickOnTheLoadedFilesRowKeepsPreviewAndThumbs)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"), QStringLiteral("00:00:30"));
    Select({0});
    m_main->dxTreeSourceFileInfoDblClick();
    m_main->Panel1->SetLeftWidth(50);
    m_main->actDxTreeListOnClickExecute();
    EXPECT_EQ(m_main->Panel1->LeftWidth(), 50);
    EXPECT_TRUE(CustomProc->IsPlaying);
    EXPECT_EQ(CommonLib->PlayingFile, QStringLiteral("/m/a.mp4"));
}

TEST_F(PreviewTest, TransitionsBetweenEmptyPlayingAndPaused)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"));
    AddRow(QStringLiteral("/m/b.mp4"), QStringLiteral("00:01:00"));
    Select({0});
    EXPECT_TRUE(LogoShown());

    m_main->btnPlayClick();  // empty -> playing
    EXPECT_TRUE(CustomProc->IsPlaying);
    EXPECT_EQ(CommonLib->PlayingFile, QStringLiteral("/m/a.mp4"));
    EXPECT_EQ(m_graph->Now, TFakeGraph::State::Running);
    EXPECT_FALSE(LogoShown());
    EXPECT_TRUE(Ticking());

    m_main->btnPauseClick();  // playing -> paused
    EXPECT_FALSE(CustomProc->IsPlaying);
    EXPECT_EQ(m_graph->Now, TFakeGraph::State::Paused);
    EXPECT_FALSE(LogoShown());
    EXPECT_FALSE(Ticking());

    m_main->btnPlayClick();  // paused -> playing
    EXPECT_TRUE(CustomProc->IsPlaying);
    EXPECT_EQ(m_graph->Renders.size(), 1);

    m_main->dxTreeSourceFileInfoDblClick();  // same row: playing -> paused
    EXPECT_EQ(m_graph->Now, TFakeGraph::State::Paused);

    Select({1});
    m_main->dxTreeSourceFileInfoDblClick();  // another file: playing the new file
    EXPECT_EQ(CommonLib->PlayingFile, QStringLiteral("/m/b.mp4"));
    EXPECT_TRUE(CustomProc->IsPlaying);

    m_main->pnlCurTime->setText(QStringLiteral("00:00:42"));
    m_main->RzBmpButton1Click();  // any -> empty
    EXPECT_TRUE(CommonLib->PlayingFile.isEmpty());
    EXPECT_FALSE(CustomProc->IsPlaying);
    EXPECT_FALSE(m_graph->Active());
    EXPECT_TRUE(LogoShown());
    EXPECT_FALSE(Ticking());
    EXPECT_EQ(m_main->pnlCurTime->text(), QStringLiteral("00:00:00"));
}

TEST_F(PreviewTest, ClickOnAnotherRowAndRemovingRowsStopThePreview)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"));
    AddRow(QStringLiteral("/m/b.mp4"), QStringLiteral("00:01:00"));
    const auto playFirst = [&] {
        Select({0});
        m_main->dxTreeSourceFileInfoDblClick();
        ASSERT_TRUE(CustomProc->IsPlaying);
    };
    playFirst();
    Select({1});
    m_main->actDxTreeListOnClickExecute();
    EXPECT_TRUE(CommonLib->PlayingFile.isEmpty());

    playFirst();
    Select({1});
    m_main->btnRemoveFileClick();
    EXPECT_TRUE(CommonLib->PlayingFile.isEmpty());
    EXPECT_EQ(List()->topLevelItemCount(), 1);

    playFirst();
    List()->clearSelection();
    m_main->dxTreeSourceFileInfoKeyDown(Qt::Key_Delete);
    EXPECT_TRUE(CommonLib->PlayingFile.isEmpty());
    EXPECT_EQ(List()->topLevelItemCount(), 1);

    playFirst();
    m_main->btnClearFileClick();
    EXPECT_TRUE(CommonLib->PlayingFile.isEmpty());
    EXPECT_EQ(List()->topLevelItemCount(), 0);
}

TEST_F(PreviewTest, FailedLoadLogsAndKeepsTheLogo)
{
    AddRow(QStringLiteral("/m/broken.mp4"), QStringLiteral("00:01:00"));
    m_graph->Broken.insert(QStringLiteral("/m/broken.mp4"));
    Select({0});
    m_main->dxTreeSourceFileInfoDblClick();
    EXPECT_EQ(LogMessages(), QStringList{QStringLiteral("Playing Video error.")});
    EXPECT_EQ(CommonLib->PlayingFile, QStringLiteral("/m/broken.mp4"));
    EXPECT_TRUE(m_graph->Active());
    EXPECT_FALSE(CustomProc->IsPlaying);
    EXPECT_TRUE(LogoShown());
    EXPECT_FALSE(Ticking());
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());

    // Stop empties the failed preview.
    m_main->RzBmpButton1Click();
    EXPECT_TRUE(CommonLib->PlayingFile.isEmpty());
}

TEST_F(PreviewTest, RunFailureShowsTheLogoOnly)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"));
    m_graph->ThrowOnRun = true;
    Select({0});
    m_main->dxTreeSourceFileInfoDblClick();
    EXPECT_TRUE(LogoShown());
    EXPECT_FALSE(CustomProc->IsPlaying);
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
    EXPECT_TRUE(LogMessages().isEmpty());
}

TEST_F(PreviewTest, ClockPausesAtEndMarkAndStopsAtEndOfFile)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:00:05"));
    Select({0});
    m_main->dxTreeSourceFileInfoDblClick();
    EndMarkText = QStringLiteral("00:00:02");
    m_graph->Duration = 5000;

    m_graph->Position = 1000;
    Tick();
    EXPECT_EQ(m_main->pnlCurTime->text(), QStringLiteral("00:00:01"));
    EXPECT_TRUE(CustomProc->IsPlaying);
    EXPECT_EQ(m_main->pbPlayState->maximum(), 5);
    EXPECT_EQ(m_main->pbPlayState->value(), 1);

    m_graph->Position = 2400;
    Tick();
    EXPECT_EQ(m_main->pnlCurTime->text(), QStringLiteral("00:00:02"));
    EXPECT_FALSE(CustomProc->IsPlaying);
    EXPECT_EQ(m_graph->Now, TFakeGraph::State::Paused);
    EXPECT_EQ(m_graph->Seeks.last(), 0);  // back to the file's beginning, not the start mark

    m_main->btnPlayClick();
    m_graph->Position = 5000;
    Tick();
    EXPECT_TRUE(CommonLib->PlayingFile.isEmpty());
    EXPECT_FALSE(CustomProc->IsPlaying);
    EXPECT_TRUE(LogoShown());
}

TEST_F(PreviewTest, ClockSteppingOverTheEndMarkPausesToo)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"));
    Select({0});
    m_main->dxTreeSourceFileInfoDblClick();
    EndMarkText = QStringLiteral("00:00:10");
    m_graph->Position = 9000;
    Tick();
    ASSERT_TRUE(CustomProc->IsPlaying);
    m_graph->Position = 11200;  // a late tick: 00:00:10 never shown
    Tick();
    EXPECT_FALSE(CustomProc->IsPlaying);
    EXPECT_EQ(m_graph->Seeks.last(), 0);
}

TEST_F(PreviewTest, FileOfNoDurationStopsAtFirstTick)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"));
    Select({0});
    m_main->dxTreeSourceFileInfoDblClick();
    m_graph->Duration = 0;
    Tick();
    EXPECT_TRUE(CommonLib->PlayingFile.isEmpty());
}

TEST_F(PreviewTest, ClosingTheWindowReleasesThePlayer)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"));
    Select({0});
    m_main->dxTreeSourceFileInfoDblClick();
    m_main->FormClose();
    EXPECT_FALSE(m_graph->Active());
    EXPECT_TRUE(m_graph->Loaded.isEmpty());
    EXPECT_FALSE(Ticking());
}

} // namespace

// --- Video frames to pictures ----------------------------------------------------------

namespace {

struct ColourCase
{
    const char *Name;
    int Y, U, V;   // BT.601, limited range
    QRgb Expected;
};

class FrameColours : public ::testing::TestWithParam<std::tuple<QVideoFrameFormat::PixelFormat, ColourCase>>
{
};

// A 16 x 8 frame of one colour in the given layout.
QVideoFrame SolidFrame(QVideoFrameFormat::PixelFormat pixels, int y, int u, int v)
{
    QVideoFrameFormat format(QSize(16, 8), pixels);
    format.setColorSpace(QVideoFrameFormat::ColorSpace_BT601);
    format.setColorRange(QVideoFrameFormat::ColorRange_Video);
    QVideoFrame frame(format);
    frame.map(QVideoFrame::WriteOnly);
    switch (pixels) {
    case QVideoFrameFormat::Format_YUV420P:
    case QVideoFrameFormat::Format_YV12: {
        const bool i420 = pixels == QVideoFrameFormat::Format_YUV420P;
        for (int row = 0; row < 8; ++row)
            memset(frame.bits(0) + row * frame.bytesPerLine(0), y, 16);
        for (int row = 0; row < 4; ++row) {
            memset(frame.bits(i420 ? 1 : 2) + row * frame.bytesPerLine(i420 ? 1 : 2), u, 8);
            memset(frame.bits(i420 ? 2 : 1) + row * frame.bytesPerLine(i420 ? 2 : 1), v, 8);
        }
        break;
    }
    case QVideoFrameFormat::Format_NV12:
        for (int row = 0; row < 8; ++row)
            memset(frame.bits(0) + row * frame.bytesPerLine(0), y, 16);
        for (int row = 0; row < 4; ++row)
            for (int i = 0; i < 8; ++i) {
                frame.bits(1)[row * frame.bytesPerLine(1) + 2 * i] = static_cast<uchar>(u);
                frame.bits(1)[row * frame.bytesPerLine(1) + 2 * i + 1] = static_cast<uchar>(v);
            }
        break;
    case QVideoFrameFormat::Format_YUYV:
        for (int row = 0; row < 8; ++row)
            for (int i = 0; i < 8; ++i) {
                uchar *pair = frame.bits(0) + row * frame.bytesPerLine(0) + 4 * i;
                pair[0] = pair[2] = static_cast<uchar>(y);
                pair[1] = static_cast<uchar>(u);
                pair[3] = static_cast<uchar>(v);
            }
        break;
    default:
        break;
    }
    frame.unmap();
    return frame;
}

TEST_P(FrameColours, ConvertsOnTheProcessor)
{
    const auto [pixels, colour] = GetParam();
    const QImage picture = VideoFrameToImage(SolidFrame(pixels, colour.Y, colour.U, colour.V), QSize(8, 8));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(8, 4));  // scaled down, aspect kept
    const QRgb got = picture.pixel(3, 2);
    EXPECT_NEAR(qRed(got), qRed(colour.Expected), 3) << colour.Name;
    EXPECT_NEAR(qGreen(got), qGreen(colour.Expected), 3) << colour.Name;
    EXPECT_NEAR(qBlue(got), qBlue(colour.Expected), 3) << colour.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameColours,
    ::testing::Combine(::testing::Values(QVideoFrameFormat::Format_YUV420P, QVideoFrameFormat::Format_YV12,
                                         QVideoFrameFormat::Format_NV12, QVideoFrameFormat::Format_YUYV),
                       ::testing::Values(ColourCase{"Red", 81, 90, 240, qRgb(255, 0, 0)},
                                         ColourCase{"Green", 145, 54, 34, qRgb(0, 255, 0)},
                                         ColourCase{"Blue", 41, 240, 110, qRgb(0, 0, 255)},
                                         ColourCase{"White", 235, 128, 128, qRgb(255, 255, 255)},
                                         ColourCase{"Black", 16, 128, 128, qRgb(0, 0, 0)})));

} // namespace
