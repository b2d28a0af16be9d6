// The batch conversion with its progress window, end to end with the real
// encoder, and the progress rules chunk by chunk.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "FakePlatform.h"
#include "FuncObjects.h"
#include "TestEnvironment.h"
#include "Unit_CommonLib.h"
#include "Unit_Convert.h"
#include "Unit_Converting.h"
#include "Unit_Option.h"
#include "UnitCustomProc.h"

namespace {

class BatchTest : public WindowsTest
{
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        m_out = TempPath(QStringLiteral("out"));
        m_main->edtOutputFolder->setText(m_out);
        UserSelects(m_main->cbbOutputFiletype, QStringLiteral("MP3 Files (*.mp3)"));
    }

    // Copies generated clips into the work folder and adds them as the user would.
    QStringList AddClips(const QList<ClipSpec> &clips)
    {
        QStringList paths;
        for (const ClipSpec &clip : clips) {
            const QString path = TempPath(QStringLiteral("in/") + clip.FileName);
            QDir().mkpath(TempPath(QStringLiteral("in")));
            QFile::copy(MakeClip(clip), path);
            paths << path;
        }
        CommonLib->AddSourceFiles(m_main->dxTreeSourceFileInfo, paths);
        return paths;
    }

    QString OutputOf(const QString &name) const { return m_out + QLatin1Char('/') + name; }

    // Presses Stop (or closes the window) once the encoder is running and
    // has reported, answering the question with the given answer.
    void StopWhileEncoding(bool answer, bool byClosing)
    {
        FakePlatform().YesNoAnswers.push_back(answer);
        auto *timer = new QTimer(m_main.get());
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, m_main.get(), [this, timer, byClosing] {
            if (CustomProc->RefreshCount < 1 || SysFunc->FindProcessID(QStringLiteral("evc.exe")) == 0)
                return;
            timer->stop();
            m_stoppedAtIndex = CustomProc->FileIndex;
            if (byClosing)
                m_converting->close();
            else
                m_converting->btnStop1Click();
        });
        timer->start();
    }

    QString m_out;
    int m_stoppedAtIndex = -1;
};

TEST_F(BatchTest, ConvertsEveryRowAndRunsTheAfterJobActions)
{
    const QStringList sources = AddClips({{QStringLiteral("first.mp4"), 3.0},
                                          {QStringLiteral("second.avi"), 4.0},
                                          {QStringLiteral("third.flv"), 5.0}});
    ASSERT_EQ(m_main->dxTreeSourceFileInfo->topLevelItemCount(), 3);
    // The second row is cut to 00:00:01 - 00:00:03; the first clashes with a file already there.
    m_main->dxTreeSourceFileInfo->topLevelItem(1)->setText(colStartTime, QStringLiteral("00:00:01"));
    m_main->dxTreeSourceFileInfo->topLevelItem(1)->setText(colEndTime, QStringLiteral("00:00:03"));
    QDir().mkpath(m_out);
    QFile(OutputOf(QStringLiteral("first.txt"))).open(QIODevice::WriteOnly);

    CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);

    const struct { const char *name; double seconds; } expected[] = {
        {"first_1.mp3", 3.0}, {"second.mp3", 2.0}, {"third.mp3", 5.0}};
    for (const auto &file : expected) {
        const AudioInfo info = AnalyseAudio(OutputOf(QString::fromUtf8(file.name)));
        EXPECT_EQ(info.CodecName, QStringLiteral("mp3")) << file.name;
        EXPECT_NEAR(info.DecodedSeconds, file.seconds, 0.05) << file.name;
        EXPECT_EQ(info.SampleRate, 44100);
    }

    QStringList expectedLog;
    for (const QString &source : sources) {
        expectedLog << QStringLiteral("Output directory ") + m_out + QLatin1Char('/');
        expectedLog << QStringLiteral("parameter: ") + AppFolder() + QStringLiteral("evc.exe -y -i \"") + source
                           + QStringLiteral("\" -acodec mp3 -vn -ab 128 -vol 200 -ac 2 -ar 44100 -ss ");
    }
    const QStringList log = LogMessages();
    ASSERT_EQ(log.size(), expectedLog.size()) << log.join(QLatin1Char('\n')).toStdString();
    for (int i = 0; i < log.size(); ++i)
        EXPECT_TRUE(log[i].startsWith(expectedLog[i])) << log[i].toStdString();
    EXPECT_TRUE(log[3].contains(QStringLiteral(" -ss 00:00:01 -t 2 \"") + OutputOf(QStringLiteral("second.mp3\""))));

    EXPECT_EQ(m_converting->lblPersent->text(), QStringLiteral("Current: 3 , Total: 3."));
    EXPECT_EQ(m_converting->lblCurFileName->text(), sources[2]);
    EXPECT_EQ(m_converting->pbTotal->Max(), 300);
    EXPECT_EQ(m_converting->pbTotal->Position(), 200);
    EXPECT_EQ(m_converting->ProgressBar1->Max(), 5);
    EXPECT_GE(m_converting->ProgressBar1->Position(), 4);

    EXPECT_EQ(FakePlatform().OpenedFolders, QStringList({m_out + QLatin1Char('/')}));
    EXPECT_EQ(FakePlatform().PowerOffs, 0);
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
    EXPECT_TRUE(m_main->isEnabled());
    EXPECT_FALSE(m_converting->isVisible());
    // The fixed waits, shortened: 2000 before and 3000 after each encoder run.
    EXPECT_EQ(FakePlatform().Pauses.count(2000), 3);
    EXPECT_EQ(FakePlatform().Pauses.count(3000), 3);
}

TEST_F(BatchTest, TheProgressWindowIsUpAndTheMainWindowDisabledWhileConverting)
{
    AddClips({{QStringLiteral("first.mp4"), 3.0}});
    bool seen = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (m_converting->isVisible() && !m_main->isEnabled() && !m_converting->lblCurFileName->text().isEmpty())
            seen = true;
    });
    probe.start(0);
    CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(m_converting->tmrChanging->isActive() == false);
}

TEST_F(BatchTest, AfterABatchTheHiddenProgressWindowRunsNoTimer)
{
    AddClips({{QStringLiteral("first.mp4"), 3.0}});
    // While the window is up no timer of it may fire faster than the running
    // light's 333 ms.
    int fastest = 1000000;
    FakePlatform().OnPause = [&](int) {
        for (const QTimer *timer : m_converting->findChildren<QTimer *>())
            if (timer->isActive())
                fastest = std::min(fastest, timer->interval());
    };
    for (int batch = 0; batch < 2; ++batch) {
        CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);
        EXPECT_FALSE(m_converting->isVisible());
        const QList<QTimer *> timers = m_converting->findChildren<QTimer *>();
        EXPECT_GE(timers.size(), 2);
        for (const QTimer *timer : timers)
            EXPECT_FALSE(timer->isActive()) << timer->interval();
    }
    EXPECT_GE(fastest, 333);
    EXPECT_GE(m_converting->Timer1->interval(), 1000);
}

TEST_F(BatchTest, AnMkvWithOpusSoundConvertsToMp3)
{
    AddClips({ClipSpec(QStringLiteral("opus sound.mkv"), 3.0, true, true, 0.125, 48000, 2,
                       {QStringLiteral("-c:a"), QStringLiteral("libopus")})});
    ASSERT_EQ(m_main->dxTreeSourceFileInfo->topLevelItemCount(), 1);
    CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);
    const AudioInfo info = AnalyseAudio(OutputOf(QStringLiteral("opus sound.mp3")));
    EXPECT_EQ(info.CodecName, QStringLiteral("mp3"));
    EXPECT_EQ(info.SampleRate, 44100);
    EXPECT_EQ(info.Channels, 2);
    EXPECT_NEAR(info.DecodedSeconds, 3.0, 0.1);
    EXPECT_GT(info.Rms, 0.05);
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
}

// A Stop confirmed during each of the batch's waits: the batch finishes the
// current row's steps and converts no further row.
struct WaitCase { int pause; bool wholeFirstRow; bool leftoverEncoder; bool firstRowConverted; };

class StopDuringWaitTest : public BatchTest, public ::testing::WithParamInterface<WaitCase>
{
protected:
    void TearDown() override
    {
        if (m_leftover.state() != QProcess::NotRunning) {
            m_leftover.kill();
            m_leftover.waitForFinished();
        }
        BatchTest::TearDown();
    }
    QProcess m_leftover;
};

TEST_P(StopDuringWaitTest, EndsTheBatchAfterTheCurrentRow)
{
    const WaitCase wait = GetParam();
    AddClips({{QStringLiteral("long.avi"), 240.0, true, false}, {QStringLiteral("second.avi"), 4.0}});
    // Cut short, the first row converts quickly; whole, it is still converting at the first chunk.
    if (!wait.wholeFirstRow)
        m_main->dxTreeSourceFileInfo->topLevelItem(0)->setText(colEndTime, QStringLiteral("00:00:02"));
    if (wait.leftoverEncoder) {
        // Another program's encoder keeps the batch waiting after the run.
        const QString other = TempPath(QStringLiteral("evc.exe"));
        QFile::copy(QStringLiteral("/bin/sleep"), other);
        m_leftover.start(other, {QStringLiteral("60")});
        ASSERT_TRUE(m_leftover.waitForStarted());
    }
    FakePlatform().YesNoAnswers.push_back(true);
    bool pressed = false;
    int parameterLines = -1;
    FakePlatform().OnPause = [&](int milliseconds) {
        if (pressed || milliseconds != wait.pause)
            return;
        pressed = true;
        m_converting->btnStop1Click();
        // The main window answers again at once, but a Convert now starts no
        // second batch inside the one still finishing.
        EXPECT_TRUE(m_main->isEnabled());
        CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);
        parameterLines = LogMessages().filter(QStringLiteral("parameter: ")).size();
    };
    CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);

    ASSERT_TRUE(pressed);
    EXPECT_EQ(parameterLines, 1);
    EXPECT_EQ(LogMessages().filter(QStringLiteral("parameter: ")).size(), 1);
    EXPECT_EQ(FakePlatform().Questions, QStringList({QStringLiteral("Are you sure you want to stop the work ? ")}));
    EXPECT_EQ(QFile::exists(OutputOf(QStringLiteral("long.mp3"))), wait.firstRowConverted);
    EXPECT_FALSE(QFile::exists(OutputOf(QStringLiteral("second.mp3"))));
    // The row's remaining steps still ran: the wait after the run comes once.
    EXPECT_EQ(FakePlatform().Pauses.count(3000), 1);
    EXPECT_EQ(SysFunc->FindProcessID(QStringLiteral("evc.exe")), 0);
    EXPECT_EQ(FakePlatform().OpenedFolders, QStringList({m_out + QLatin1Char('/')}));
    EXPECT_TRUE(m_main->isEnabled());
    EXPECT_FALSE(m_converting->isVisible());
    EXPECT_FALSE(CustomProc->IsConverting());
}

INSTANTIATE_TEST_SUITE_P(Waits, StopDuringWaitTest, ::testing::Values(
    WaitCase{2000, false, false, false},  // before the encoder starts: it never runs
    WaitCase{500, true, false, false},    // after an output chunk: the encoder is ended mid-file
    WaitCase{3000, false, false, true},   // after the run
    WaitCase{100, false, true, true}),    // while another encoder is waited for
    [](const ::testing::TestParamInfo<WaitCase> &info) { return "Pause" + std::to_string(info.param.pause); });

TEST_F(BatchTest, TheCloseQuestionStopsTheBatchWhenAskedFromOutside)
{
    AddClips({{QStringLiteral("first.mp4"), 3.0}, {QStringLiteral("second.avi"), 4.0}});
    FakePlatform().YesNoAnswers = {false, true};
    QList<bool> answers;
    FakePlatform().OnPause = [&](int milliseconds) {
        if (milliseconds != 2000)
            return;
        answers << m_converting->ConfirmStopProcessing();
        if (answers.size() == 2)
            answers << m_converting->ConfirmStopProcessing();  // already stopping: not asked again
    };
    CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);
    EXPECT_EQ(answers, QList<bool>({false, true, true}));
    EXPECT_EQ(FakePlatform().Questions, QStringList(2, QStringLiteral("Are you sure to stop processing ?")));
    EXPECT_TRUE(QFile::exists(OutputOf(QStringLiteral("first.mp3"))));
    EXPECT_FALSE(QFile::exists(OutputOf(QStringLiteral("second.mp3"))));
    EXPECT_TRUE(m_main->isEnabled());
    EXPECT_FALSE(m_converting->isVisible());
}

TEST_F(BatchTest, PowerOffOnlyWhenItsBoxIsChecked)
{
    AddClips({{QStringLiteral("first.mp4"), 3.0}});
    m_main->chkShowOutputDirectory->setChecked(false);
    m_main->chkShutdown->setChecked(true);
    CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);
    EXPECT_EQ(FakePlatform().PowerOffs, 1);
    EXPECT_EQ(FakePlatform().ProgramEnds, 1);
    EXPECT_TRUE(FakePlatform().OpenedFolders.isEmpty());
}

TEST_F(BatchTest, AnEmptyListOnlyWarns)
{
    CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);
    EXPECT_EQ(FakePlatform().MessageTexts(),
              QStringList({QStringLiteral("Please add media files you want to convert into the list.")}));
    EXPECT_TRUE(FakePlatform().OpenedFolders.isEmpty());
    EXPECT_TRUE(LogText().isEmpty());
}

TEST_F(BatchTest, RowsNotMarkedForConversionArePassedOver)
{
    AddClips({{QStringLiteral("first.mp4"), 3.0}, {QStringLiteral("second.avi"), 4.0}});
    m_main->dxTreeSourceFileInfo->topLevelItem(0)->setText(colCheckStatus, QStringLiteral("False"));
    CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);
    EXPECT_FALSE(QFile::exists(OutputOf(QStringLiteral("first.mp3"))));
    EXPECT_TRUE(QFile::exists(OutputOf(QStringLiteral("second.mp3"))));
    EXPECT_EQ(CustomProc->FileCount, 2);
    EXPECT_EQ(LogMessages().size(), 2);
}

TEST_F(BatchTest, AFailedFileIsLoggedAndReportedOnceAndTheOthersConvert)
{
    const QStringList sources = AddClips({{QStringLiteral("good.mp4"), 3.0},
                                          {QStringLiteral("silent.mp4"), 3.0, false},
                                          {QStringLiteral("also good.avi"), 3.0}});
    ASSERT_EQ(m_main->dxTreeSourceFileInfo->topLevelItemCount(), 3);
    CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);
    EXPECT_TRUE(QFile::exists(OutputOf(QStringLiteral("good.mp3"))));
    EXPECT_TRUE(QFile::exists(OutputOf(QStringLiteral("also good.mp3"))));
    EXPECT_FALSE(QFile::exists(OutputOf(QStringLiteral("silent.mp3"))));
    const QStringList failures = LogMessages().filter(QStringLiteral("Conversion failed: "));
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].startsWith(QStringLiteral("Conversion failed: ") + sources[1] + QStringLiteral(" -> evc: ")));
    EXPECT_TRUE(failures[0].contains(QStringLiteral("no audio stream"))) << failures[0].toStdString();
    ASSERT_EQ(FakePlatform().Messages.size(), 1);
    EXPECT_EQ(FakePlatform().Messages[0].Text, QStringLiteral("1 file could not be converted:\n") + sources[1]);
    EXPECT_EQ(FakePlatform().Messages[0].Kind, TPlatformLayer::MessageKind::Warning);
    EXPECT_EQ(FakePlatform().OpenedFolders.size(), 1);
}

TEST_F(BatchTest, StopAnsweredYesEndsTheBatchAndRemovesThePartialFile)
{
    AddClips({{QStringLiteral("long.avi"), 240.0, true, false}, {QStringLiteral("second.avi"), 4.0},
              {QStringLiteral("third.mp4"), 3.0}});
    ASSERT_EQ(m_main->dxTreeSourceFileInfo->topLevelItemCount(), 3);
    StopWhileEncoding(true, false);
    CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);
    EXPECT_EQ(m_stoppedAtIndex, 0);
    EXPECT_EQ(FakePlatform().Questions, QStringList({QStringLiteral("Are you sure you want to stop the work ? ")}));
    EXPECT_EQ(QDir(m_out).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_EQ(SysFunc->FindProcessID(QStringLiteral("evc.exe")), 0);
    EXPECT_EQ(FakePlatform().OpenedFolders, QStringList({m_out + QLatin1Char('/')}));
    EXPECT_TRUE(m_main->isEnabled());
    EXPECT_FALSE(m_converting->isVisible());
    EXPECT_EQ(LogMessages().filter(QStringLiteral("parameter: ")).size(), 1);
    EXPECT_GE(LogMessages().count(QStringLiteral("Get Process id error.")), 2);
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
}

TEST_F(BatchTest, StopAnsweredNoChangesNothing)
{
    AddClips({{QStringLiteral("mid.avi"), 60.0, true, false}, {QStringLiteral("second.avi"), 4.0}});
    StopWhileEncoding(false, false);
    CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);
    EXPECT_EQ(FakePlatform().Questions.size(), 1);
    EXPECT_TRUE(QFile::exists(OutputOf(QStringLiteral("mid.mp3"))));
    EXPECT_TRUE(QFile::exists(OutputOf(QStringLiteral("second.mp3"))));
    EXPECT_NEAR(AnalyseAudio(OutputOf(QStringLiteral("mid.mp3"))).DecodedSeconds, 60.0, 0.05);
}

TEST_F(BatchTest, ClosingTheWindowAsksAndStopsLikeTheStopButton)
{
    AddClips({{QStringLiteral("long.avi"), 240.0, true, false}, {QStringLiteral("second.avi"), 4.0}});
    StopWhileEncoding(true, true);
    CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);
    EXPECT_EQ(FakePlatform().Questions, QStringList({QStringLiteral("Are you sure to stop processing ?")}));
    EXPECT_EQ(QDir(m_out).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_TRUE(m_main->isEnabled());
}

TEST_F(BatchTest, ClosingAnsweredNoKeepsTheWindowAndTheConversion)
{
    AddClips({{QStringLiteral("mid.avi"), 60.0, true, false}});
    bool visibleAfterNo = false;
    FakePlatform().YesNoAnswers.push_back(false);
    QTimer::singleShot(0, m_main.get(), [&] {
        m_converting->close();
        visibleAfterNo = m_converting->isVisible();
    });
    CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);
    EXPECT_TRUE(visibleAfterNo);
    EXPECT_TRUE(QFile::exists(OutputOf(QStringLiteral("mid.mp3"))));
}

// --- Every file converted or reported -------------------------------------------------

struct FolderCase { const char *folder; const char *encoder; };

void PrintTo(const FolderCase &c, std::ostream *out)
{
    *out << '"' << c.folder << "\" with the encoder " << c.encoder;
}

class ProgramFolderBatchTest : public BatchTest, public ::testing::WithParamInterface<FolderCase> {};

// The program may lie in any folder; an encoder that cannot start is a
// failure with its reason, never a silent success.
TEST_P(ProgramFolderBatchTest, EachFileIsConvertedOrReported)
{
    const QString folder = TempPath(QStringLiteral("programs/")) + QString::fromUtf8(GetParam().folder);
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/Config")));
    const QString encoder = folder + QStringLiteral("/evc.exe");
    const QString kind = QString::fromUtf8(GetParam().encoder);
    if (kind != QLatin1String("missing")) {
        ASSERT_TRUE(QFile::copy(BuiltProgramFolder() + QStringLiteral("/evc.exe"), encoder));
        if (kind == QLatin1String("not executable"))
            QFile::setPermissions(encoder, QFile::ReadOwner | QFile::WriteOwner);
    }
    TAppFunc::SetAppPathOverride(folder);
    CommonLib->AppFolder = folder + QLatin1Char('/');
    const QStringList sources = AddClips({{QStringLiteral("first.mp4"), 3.0}});

    CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);

    QFile logFile(folder + QStringLiteral("/log.txt"));
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    const QStringList failures = QString::fromUtf8(logFile.readAll()).split(QStringLiteral("\r\n")).filter(
        QStringLiteral("|Conversion failed: "));
    if (kind == QLatin1String("runs")) {
        EXPECT_NEAR(AnalyseAudio(OutputOf(QStringLiteral("first.mp3"))).DecodedSeconds, 3.0, 0.05);
        EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(FakePlatform().Messages.isEmpty());
    } else {
        ASSERT_EQ(failures.size(), 1);
        const QString expected = QStringLiteral("|Conversion failed: ") + sources[0]
            + QStringLiteral(" -> the encoder could not be started: ") + encoder + QStringLiteral(": ")
            + QString::fromUtf8(kind == QLatin1String("missing") ? "No such file or directory" : "Permission denied");
        EXPECT_TRUE(failures[0].endsWith(expected)) << failures[0].toStdString();
        ASSERT_EQ(FakePlatform().Messages.size(), 1);
        EXPECT_EQ(FakePlatform().Messages[0].Text, QStringLiteral("1 file could not be converted:\n") + sources[0]);
        // The reserved name is given back.
        EXPECT_EQ(QDir(m_out).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
}

INSTANTIATE_TEST_SUITE_P(Folders, ProgramFolderBatchTest, ::testing::Values(
    FolderCase{"a  b", "runs"}, FolderCase{"a\tb", "runs"}, FolderCase{"say \"hi\"", "runs"},
    FolderCase{"Gr\xC3\xBC\xC3\x9F" "e", "runs"}, FolderCase{"back\\slash \\\" end", "runs"},
    FolderCase{"no  encoder", "missing"}, FolderCase{"not executable", "not executable"}));

TEST_F(BatchTest, ARelativeOutputFolderIsTheOneTheUserMeant)
{
    AddClips({{QStringLiteral("first.mp4"), 3.0}});
    const QString before = QDir::currentPath();
    QDir::setCurrent(TempPath(QString()));
    m_main->edtOutputFolder->setText(QStringLiteral("relative/out"));
    CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);
    QDir::setCurrent(before);
    const QString expected = QDir::cleanPath(TempPath(QStringLiteral("relative/out"))) + QLatin1Char('/');
    EXPECT_EQ(CommonLib->OutputFolder, expected);
    EXPECT_NEAR(AnalyseAudio(expected + QStringLiteral("first.mp3")).DecodedSeconds, 3.0, 0.05);
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
}

// Several programs choose a name for the same output in one folder at the
// same moment: each gets its own, and each file holds its own source.
TEST_F(BatchTest, JobsChoosingANameAtOnceGetDifferentNames)
{
    const QList<double> lengths = {2.0, 3.0, 4.0};
    QDir().mkpath(m_out);
    const QString barrier = TempPath(QStringLiteral("barrier"));
    QDir().mkpath(barrier);
    std::vector<std::unique_ptr<QProcess>> jobs;
    for (const double seconds : lengths) {
        const QString source = MakeClip({QStringLiteral("tone%1.mp4").arg(seconds), seconds});
        auto job = std::make_unique<QProcess>();
        job->start(QStringLiteral(HELPER_DIR "/reserve_helper"),
                   {BuiltProgramFolder() + QStringLiteral("/evc.exe"), source, OutputOf(QStringLiteral("song.mp3")),
                    barrier, QString::number(lengths.size())});
        jobs.push_back(std::move(job));
    }
    QStringList chosen;
    for (size_t i = 0; i < jobs.size(); ++i) {
        ASSERT_TRUE(jobs[i]->waitForFinished(120000));
        EXPECT_EQ(jobs[i]->exitCode(), 0) << jobs[i]->readAllStandardError().toStdString();
        const QString path = QString::fromUtf8(jobs[i]->readAllStandardOutput()).trimmed();
        chosen << path;
        EXPECT_NEAR(AnalyseAudio(path).DecodedSeconds, lengths[static_cast<int>(i)], 0.05) << path.toStdString();
    }
    chosen.removeDuplicates();
    EXPECT_EQ(chosen.size(), lengths.size());
    EXPECT_EQ(QDir(m_out).entryList(QDir::Files | QDir::Hidden).size(), lengths.size());
}

TEST_F(BatchTest, AStopRemovesWhatAKilledEncoderLeftUnderItsHiddenName)
{
    AddClips({{QStringLiteral("long.avi"), 240.0, true, false}});
    QDir().mkpath(m_out);
    QFile other(OutputOf(QStringLiteral("someone else's.mp3")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    StopWhileEncoding(true, false);
    CustomProc->ConvertFileList(m_main->dxTreeSourceFileInfo);
    EXPECT_EQ(QDir(m_out).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral("someone else's.mp3")}));
}

// --- Progress, chunk by chunk ------------------------------------------------------

class ProgressTest : public WindowsTest
{
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        CustomProc->FileCount = 3;
        CustomProc->FileIndex = 1;
        CustomProc->RefreshCount = 0;
        CustomProc->SegmentLength = QStringLiteral("10");
        m_converting->FormShow();
    }
    void Chunk(const QString &text)
    {
        m_converting->SetStatusPanelText(text);
        m_converting->actRefreshProgressExecute();
    }
    int FilePosition() const { return m_converting->ProgressBar1->Position(); }
};

const QString Report = QStringLiteral("size=      78kB time=%1 bitrate= 128.0kbits/s\n");

TEST_F(ProgressTest, TheFirstChunkOfAFileMovesNoBar)
{
    Chunk(Report.arg(QStringLiteral("5.00")));
    EXPECT_EQ(FilePosition(), 0);
    EXPECT_EQ(m_converting->ProgressBar1->Max(), 1);
    EXPECT_EQ(m_converting->lblPersent->text(), QStringLiteral("Current: 1, Total: 3"));
}

TEST_F(ProgressTest, TheOverallBarFollowsOneChunkLater)
{
    Chunk(Report.arg(QStringLiteral("0.00")));
    Chunk(Report.arg(QStringLiteral("5.00")));
    EXPECT_EQ(m_converting->ProgressBar1->Max(), 10);
    EXPECT_EQ(FilePosition(), 5);
    EXPECT_EQ(m_converting->pbTotal->Position(), 100);  // from the previous per-file values
    Chunk(Report.arg(QStringLiteral("6.50")));
    EXPECT_EQ(m_converting->pbTotal->Max(), 300);
    EXPECT_EQ(m_converting->pbTotal->Position(), 150);
    EXPECT_EQ(m_converting->lblPersent->text(), QStringLiteral("Current: 2 , Total: 3."));
    EXPECT_EQ(FilePosition(), 6);
    EXPECT_EQ(m_converting->edt1->text(), QStringLiteral("6.50 bitrate"));
    EXPECT_EQ(m_converting->edt2->text(), QStringLiteral("6"));
}

struct ChunkCase { const char *chunk; int position; };

class ProgressChunkTest : public ProgressTest, public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(ProgressChunkTest, PositionsThePerFileBar)
{
    Chunk(Report.arg(QStringLiteral("3.00")));
    Chunk(Report.arg(QStringLiteral("3.00")));
    Chunk(QString::fromUtf8(GetParam().chunk));
    EXPECT_EQ(FilePosition(), GetParam().position) << GetParam().chunk;
}

INSTANTIATE_TEST_SUITE_P(Chunks, ProgressChunkTest, ::testing::Values(
    ChunkCase{"size=  1kB time=7.25 bitrate= 1.0kbits/s\nsize=  2kB time=9.00 bitrate= 1.0kbits/s\n", 7},
    ChunkCase{"size=  1kB time=42.00 bitrate= 1.0kbits/s\n", 10},
    ChunkCase{"size=  1kB time=10000000000.00 bitrate= 1.0kbits/s\n", 3},
    ChunkCase{"evc: some message without reports", 3},
    ChunkCase{"a=b=c", 3},
    ChunkCase{"a=b==d", 3},
    ChunkCase{"a=b=x8y.5=d", 8},
    ChunkCase{"a=b=+-=d", 3}));

TEST_F(ProgressTest, AZeroSegmentLeavesTheOverallBarAndLabelAsTheyWere)
{
    CustomProc->SegmentLength = QStringLiteral("0");
    Chunk(Report.arg(QStringLiteral("0.00")));
    Chunk(Report.arg(QStringLiteral("1.00")));
    Chunk(Report.arg(QStringLiteral("2.00")));
    EXPECT_EQ(m_converting->ProgressBar1->Max(), 0);
    EXPECT_EQ(m_converting->pbTotal->Max(), 300);
    EXPECT_EQ(m_converting->lblPersent->text(), QStringLiteral("Current: 2 , Total: 3."));  // from the second chunk
    const int overall = m_converting->pbTotal->Position();
    Chunk(Report.arg(QStringLiteral("3.00")));
    EXPECT_EQ(m_converting->pbTotal->Position(), overall);
}

TEST_F(ProgressTest, NegativeOrNonNumericLengthsShowAnEmptyBar)
{
    for (const QString &length : {QStringLiteral("-5"), QStringLiteral("abc"), QString()}) {
        CustomProc->SegmentLength = length;
        CustomProc->RefreshCount = 1;
        Chunk(Report.arg(QStringLiteral("4.00")));
        EXPECT_EQ(m_converting->ProgressBar1->Max(), 0) << length.toStdString();
        EXPECT_EQ(m_converting->ProgressBar1->value(), 0);
    }
}

TEST_F(ProgressTest, TheCallbackShowsTheChunkAndTheFile)
{
    CommonLib->SourceFile = QStringLiteral("/clips/a file.avi");
    OnEncoderOutput(Report.arg(QStringLiteral("1.00")));
    EXPECT_EQ(m_converting->StatusPanelText(), Report.arg(QStringLiteral("1.00")));
    EXPECT_EQ(m_converting->lblCurFileName->text(), QStringLiteral("/clips/a file.avi"));
    EXPECT_EQ(CustomProc->RefreshCount, 1);
}

TEST_F(ProgressTest, TheRunningLightGoesRoundWhileShown)
{
    m_converting->show();
    EXPECT_TRUE(m_converting->tmrChanging->isActive());
    EXPECT_EQ(m_converting->tmrChanging->interval(), 333);
    for (int step = 1; step <= 8; ++step) {
        m_converting->tmrChangingTimer();
        const int lit = (step - 1) % 6;
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(m_converting->img[i]->isVisibleTo(m_converting.get()), i == lit) << step << " " << i;
    }
    m_converting->hide();
    EXPECT_FALSE(m_converting->tmrChanging->isActive());
}

TEST_F(ProgressTest, TheBarsLeaveTheirCaptionsWhole)
{
    m_converting->show();
    const QList<QPair<QLabel *, TProgressBar *>> rows = {{m_converting->lblCurprog, m_converting->ProgressBar1},
                                                         {m_converting->lblTotalFilr, m_converting->pbTotal}};
    for (const auto &[label, bar] : rows) {
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        EXPECT_LT(label->geometry().right(), bar->x()) << label->text().toStdString();
        EXPECT_EQ(bar->geometry().right(), 408);
    }
}

TEST_F(ProgressTest, ABatchStartsWithAnEmptyStatusBar)
{
    m_converting->SetStatusPanelText(Report.arg(QStringLiteral("9.00")));
    m_converting->show();
    EXPECT_TRUE(m_converting->StatusPanelText().isEmpty());
    EXPECT_TRUE(m_converting->statState->findChild<QLabel *>()->text().isEmpty());
}

TEST_F(ProgressTest, ShowingResetsTheBarsAndTheCounter)
{
    CustomProc->FileCount = 7;
    CommonLib->SourceFile = QStringLiteral("/x.avi");
    m_converting->ProgressBar1->SetMax(50);
    m_converting->ProgressBar1->SetPosition(20);
    m_converting->show();
    EXPECT_EQ(m_converting->lblPersent->text(), QStringLiteral("Current: 1, Total: 7"));
    EXPECT_EQ(m_converting->lblCurFileName->text(), QStringLiteral("/x.avi"));
    EXPECT_EQ(m_converting->ProgressBar1->Max(), 1);
    EXPECT_EQ(FilePosition(), 0);
    EXPECT_EQ(m_converting->pbTotal->Max(), 1);
    EXPECT_EQ(m_converting->size(), QSize(435, 222));
    EXPECT_TRUE(m_converting->statState->isVisible());
}

} // namespace
