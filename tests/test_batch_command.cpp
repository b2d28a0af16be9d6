// sonabrix-batch, run as a real program on generated clips.
#include <signal.h>

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include "FuncObjects.h"
#include "TestEnvironment.h"
#include "Unit_CommonLib.h"
#include "Unit_Convert.h"
#include "UnitCustomProc.h"

namespace {

struct BatchRun
{
    int ExitCode = -1;
    QString Out;
    QString Errors;
};

// Runs a copy of the command that lies in the test's program folder, so it
// finds its encoder and its Config/ there.
class BatchProgram
{
public:
    static bool Install(const QString &appFolder)
    {
        return QFile::copy(BuiltProgramFolder() + QStringLiteral("/sonabrix-batch"),
                           appFolder + QStringLiteral("sonabrix-batch"));
    }

    static BatchRun Run(const QString &appFolder, const QStringList &arguments)
    {
        QProcess process;
        process.start(appFolder + QStringLiteral("sonabrix-batch"), arguments);
        BatchRun run;
        if (!process.waitForFinished(600000))
            return run;
        run.Out = QString::fromUtf8(process.readAllStandardOutput());
        run.Errors = QString::fromUtf8(process.readAllStandardError());
        run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        return run;
    }
};

class BatchCommandTest : public ProgramFolderTest
{
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        ASSERT_TRUE(BatchProgram::Install(AppFolder()));
        m_out = TempPath(QStringLiteral("out"));
    }

    // Copies a generated clip to a place in the work folder.
    QString Place(const ClipSpec &clip, const QString &relativePath)
    {
        const QString path = TempPath(relativePath);
        QDir().mkpath(QFileInfo(path).path());
        EXPECT_TRUE(QFile::copy(MakeClip(clip), path));
        return path;
    }

    BatchRun Run(const QStringList &arguments) { return BatchProgram::Run(AppFolder(), arguments); }

    QStringList Outputs() const
    {
        QStringList names = QDir(m_out).entryList(QDir::Files | QDir::Hidden);
        names.sort();
        return names;
    }

    void WriteProfiles(const QByteArray &text)
    {
        QFile file(AppFolder() + QStringLiteral("Config/UserProfileInfo.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QString m_out;
};

// --- Bad command lines ----------------------------------------------------------

struct BadOptionCase { QStringList arguments; const char *named; };
class BadOptionTest : public BatchCommandTest, public ::testing::WithParamInterface<BadOptionCase> {};

TEST_P(BadOptionTest, ExitsWithTwoAndNamesTheAllowedValues)
{
    WriteProfiles("[Music]\r\nMusic=1|1|2|7|0|3\r\n");
    const QString clip = Place({QStringLiteral("short.mp4"), 2.0}, QStringLiteral("in/short.mp4"));
    const BatchRun run = Run(GetParam().arguments + QStringList{QStringLiteral("--output"), m_out, clip});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_TRUE(run.Errors.contains(QLatin1String(GetParam().named))) << run.Errors.toStdString();
    EXPECT_TRUE(Outputs().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Options, BadOptionTest, ::testing::Values(
    BadOptionCase{{}, "--type is required; allowed values: amr, aac, mp3, ac3, m4a, ogg, wav"},
    BadOptionCase{{"--type", "flac"}, "'flac' for --type; allowed values: amr, aac, mp3, ac3, m4a, ogg, wav"},
    BadOptionCase{{"--type", "mp3", "--quality", "5"},
                  "allowed values: 0 \"Low Quality\", 1 \"Acceptable Quality\", 2 \"Normal Quality\", "
                  "3 \"Excellent Quality\", 4 \"Superb Quality\""},
    BadOptionCase{{"--type", "mp3", "--profile", "Jazz"}, "'Jazz' for --profile; allowed values: Music"},
    BadOptionCase{{"--type", "mp3", "--bitrate", "100"}, "allowed values: 16, 32, 48, 64, 80, 128, 160, 192, 224"},
    BadOptionCase{{"--type", "mp3", "--sample-rate", "44000"}, "allowed values: 22050, 32000, 44100, 48000"},
    BadOptionCase{{"--type", "mp3", "--channels", "6"}, "allowed values: 1 (mono), 2 (stereo)"},
    BadOptionCase{{"--type", "mp3", "--volume", "210"},
                  "allowed values: 0, 25, 50, 75, 100, 125, 150, 175, 200, 225, 250, 275, 300, 325, 350, 375, 400, "
                  "425, 450, 475, 500"},
    BadOptionCase{{"--type", "mp3", "--start", "1:30"}, "allowed values: a time HH:MM:SS"},
    BadOptionCase{{"--type", "mp3", "--end", "00:61:00"}, "allowed values: a time HH:MM:SS"},
    BadOptionCase{{"--type", "mp3", "--start", "00:01:00", "--end", "00:00:30"}, "does not lie after --start"},
    BadOptionCase{{"--type", "mp3", "--jobs", "0"}, "allowed values: a whole number from 1 to 256"},
    BadOptionCase{{"--type", "mp3", "--quality", "1", "--profile", "Music"}, "exclude each other"},
    BadOptionCase{{"--type", "mp3", "--colour", "red"}, "Unknown option 'colour'"}));

TEST_F(BatchCommandTest, NoFileIsABadCommandLine)
{
    EXPECT_EQ(Run({QStringLiteral("--type"), QStringLiteral("mp3")}).ExitCode, 2);
}

TEST_F(BatchCommandTest, HelpAndVersionAnswerAndExitWithZero)
{
    const BatchRun help = Run({QStringLiteral("--help")});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_TRUE(help.Out.contains(QStringLiteral("Usage: "))) << help.Out.toStdString();
    EXPECT_TRUE(help.Out.contains(QStringLiteral("--dry-run")));
    const BatchRun version = Run({QStringLiteral("--version")});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_TRUE(version.Out.startsWith(QStringLiteral("sonabrix-batch 1."))) << version.Out.toStdString();
}

// --- Converting -----------------------------------------------------------------

TEST_F(BatchCommandTest, FourFilesWantingOneNameGiveFourDistinctOutputs)
{
    QStringList sources;
    for (const char *folder : {"a", "b", "c", "d"})
        sources << Place({QStringLiteral("clip.mp4"), 2.0}, QLatin1String(folder) + QStringLiteral("/clip.mp4"));
    const BatchRun run = Run(QStringList{QStringLiteral("--type"), QStringLiteral("mp3"), QStringLiteral("--jobs"),
                                         QStringLiteral("2"), QStringLiteral("--output"), m_out}
                             + sources);
    EXPECT_EQ(run.ExitCode, 0) << run.Out.toStdString() << run.Errors.toStdString();
    EXPECT_EQ(Outputs(), QStringList({QStringLiteral("clip.mp3"), QStringLiteral("clip_1.mp3"),
                                      QStringLiteral("clip_2.mp3"), QStringLiteral("clip_3.mp3")}));
    for (const QString &name : Outputs()) {
        const AudioInfo info = AnalyseAudio(m_out + QLatin1Char('/') + name);
        EXPECT_TRUE(info.Opened) << name.toStdString();
        EXPECT_NEAR(info.DecodedSeconds, 2.0, 0.2) << name.toStdString();
    }
    EXPECT_TRUE(run.Out.contains(QStringLiteral("Converted: 4\nFailed: 0\n"))) << run.Out.toStdString();
}

TEST_F(BatchCommandTest, AFailingFileIsNamedLeavesNoOutputAndGivesOne)
{
    const QString good = Place({QStringLiteral("good.mp4"), 2.0}, QStringLiteral("in/good.mp4"));
    const QString silent = Place({QStringLiteral("silent.mp4"), 2.0, false}, QStringLiteral("in/silent.mp4"));
    const QString other = Place({QStringLiteral("good.avi"), 2.0}, QStringLiteral("in/other.avi"));
    const QString text = TempPath(QStringLiteral("in/notes.txt"));
    QFile(text).open(QIODevice::WriteOnly);
    const BatchRun run = Run({QStringLiteral("--type"), QStringLiteral("ogg"), QStringLiteral("--output"), m_out,
                              good, silent, other, text, good});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(Outputs(), QStringList({QStringLiteral("good.ogg"), QStringLiteral("other.ogg")}));
    EXPECT_TRUE(run.Out.contains(QStringLiteral("Converted: 2\nFailed: 1\n  ") + silent + QStringLiteral(": evc: ")))
        << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains(QStringLiteral("Skipped: 2\n"))) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.contains(text + QStringLiteral(": not a supported file type")));
    EXPECT_TRUE(run.Out.contains(good + QStringLiteral(": listed more than once")));
}

TEST_F(BatchCommandTest, FoldersAreSearchedAndUnreadableFilesSkipped)
{
    Place({QStringLiteral("good.mp4"), 2.0}, QStringLiteral("in/top.mp4"));
    Place({QStringLiteral("good.mp4"), 2.0}, QStringLiteral("in/deeper/inner.MP4"));
    QFile broken(TempPath(QStringLiteral("in/broken.avi")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a media file");
    broken.close();
    const QStringList common = {QStringLiteral("--type"), QStringLiteral("wav"), QStringLiteral("--dry-run"),
                                QStringLiteral("--output"), m_out, TempPath(QStringLiteral("in"))};
    const BatchRun flat = Run(common);
    EXPECT_EQ(flat.Out.count(QStringLiteral("evc.exe -y -i ")), 1) << flat.Out.toStdString();
    EXPECT_TRUE(flat.Errors.contains(QStringLiteral("broken.avi: Files reading error!"))) << flat.Errors.toStdString();
    EXPECT_EQ(flat.ExitCode, 1);
    const BatchRun deep = Run(common + QStringList{QStringLiteral("-R")});
    EXPECT_EQ(deep.Out.count(QStringLiteral("evc.exe -y -i ")), 2) << deep.Out.toStdString();
    EXPECT_TRUE(Outputs().isEmpty());
}

TEST_F(BatchCommandTest, ACustomProfileSetsBitrateSampleRateAndChannels)
{
    WriteProfiles("[Speech]\r\nSpeech=0|0|0|3|0|1\r\n[Music]\r\nMusic=1|1|2|7|0|3\r\n");
    const QString clip = Place({QStringLiteral("good.mp4"), 2.0}, QStringLiteral("in/song.mp4"));
    const QStringList arguments = {QStringLiteral("--type"), QStringLiteral("mp3"), QStringLiteral("--profile"),
                                   QStringLiteral("Music"), QStringLiteral("--output"), m_out, clip};
    const BatchRun dry = Run(arguments + QStringList{QStringLiteral("--dry-run")});
    EXPECT_TRUE(dry.Out.contains(QStringLiteral(" -ab 192 -vol 200 -ac 1 -ar 48000 "))) << dry.Out.toStdString();

    ASSERT_EQ(Run(arguments).ExitCode, 0);
    const AudioInfo info = AnalyseAudio(m_out + QStringLiteral("/song.mp3"));
    EXPECT_EQ(info.Channels, 1);
    EXPECT_EQ(info.SampleRate, 48000);
}

TEST_F(BatchCommandTest, InterruptStopsItsOwnEncodersOnlyAndLeavesNoPartialOutput)
{
    // An encoder of someone else's, running all along.
    const QString foreignFolder = TempPath(QStringLiteral("foreign"));
    QDir().mkpath(foreignFolder);
    const QString foreign = foreignFolder + QStringLiteral("/evc.exe");
    ASSERT_TRUE(QFile::copy(QStringLiteral(HELPER_DIR "/console_helper"), foreign));
    QProcess other;
    other.start(foreign, {QStringLiteral("sleep"), QStringLiteral("60000")});
    ASSERT_TRUE(other.waitForStarted());

    QStringList sources;
    for (const char *name : {"one", "two", "three"})
        sources << Place({QStringLiteral("long.mp4"), 600.0, true, false},
                         QStringLiteral("in/") + QLatin1String(name) + QStringLiteral(".mp4"));
    QProcess batch;
    batch.start(AppFolder() + QStringLiteral("sonabrix-batch"),
                QStringList{QStringLiteral("--type"), QStringLiteral("mp3"), QStringLiteral("--jobs"),
                            QStringLiteral("2"), QStringLiteral("--output"), m_out}
                    + sources);
    ASSERT_TRUE(batch.waitForStarted());

    // Both encoders have written part of their output.
    QElapsedTimer waited;
    waited.start();
    // Encoders write under a hidden name until their file is complete.
    auto writing = [this] {
        int written = 0;
        for (const QFileInfo &file : QDir(m_out).entryInfoList(QDir::Files | QDir::Hidden))
            written += file.fileName().endsWith(QStringLiteral(".part")) && file.size() > 0 ? 1 : 0;
        return written;
    };
    while (writing() < 2 && batch.state() == QProcess::Running && waited.elapsed() < 60000)
        QThread::msleep(20);
    ASSERT_EQ(writing(), 2) << "the encoders did not start writing";

    ::kill(static_cast<pid_t>(batch.processId()), SIGINT);
    ASSERT_TRUE(batch.waitForFinished(60000));
    EXPECT_EQ(batch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(batch.exitCode(), 130);
    EXPECT_TRUE(Outputs().isEmpty()) << Outputs().join(QLatin1Char(' ')).toStdString();
    const QString out = QString::fromUtf8(batch.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("Converted: 0\nFailed: 0\n"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Stopped: 2 in conversion (partial output removed), 1 not started")))
        << out.toStdString();

    EXPECT_EQ(other.state(), QProcess::Running);
    other.kill();
    other.waitForFinished();
}

// --- The same command line as the window ---------------------------------------

struct SameLineCase { const char *caption; const char *type; };
class SameLineTest : public WindowsTest, public ::testing::WithParamInterface<SameLineCase> {};

TEST_P(SameLineTest, DryRunPrintsTheWindowsCommandLine)
{
    ASSERT_TRUE(BatchProgram::Install(AppFolder()));
    const QString out = TempPath(QStringLiteral("sonabrix"));
    const QString source = TempPath(QStringLiteral("clips/holiday.avi"));
    QDir().mkpath(TempPath(QStringLiteral("clips")));
    ASSERT_TRUE(QFile::copy(MakeClip({QStringLiteral("good.avi"), 2.0}), source));

    // The row of the worked examples: holiday.avi from 00:00:10 to 00:01:40.
    m_main->edtOutputFolder->setText(out);
    AddRow(source, QStringLiteral("00:02:00"), QStringLiteral("00:00:10"), QStringLiteral("00:01:40"));
    UserSelects(m_main->cbbOutputFiletype, QLatin1String(GetParam().caption));
    const QString window = CustomProc->BuildCommandLine(source);
    // The window's name service may hold the name for its own conversion.
    QFile::remove(CommonLib->OutputPath);

    const BatchRun batch = BatchProgram::Run(AppFolder(), {QStringLiteral("--type"), QLatin1String(GetParam().type),
                                                           QStringLiteral("--start"), QStringLiteral("00:00:10"),
                                                           QStringLiteral("--end"), QStringLiteral("00:01:40"),
                                                           QStringLiteral("--output"), out,
                                                           QStringLiteral("--dry-run"), source});
    EXPECT_EQ(batch.ExitCode, 0) << batch.Errors.toStdString();
    EXPECT_EQ(batch.Out, window + QLatin1Char('\n'));
    EXPECT_TRUE(QDir(out).entryList(QDir::Files).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(WorkedExamples, SameLineTest, ::testing::Values(
    SameLineCase{"MP3 Files (*.mp3)", "mp3"},
    SameLineCase{"AMR Audio Files (*.amr)", "amr"},
    SameLineCase{"OGG Audio Files (*.ogg)", "ogg"}));

} // namespace
