// The engine on its own: forming a conversion from a plain record of
// choices, with no window in the program.
#include <chrono>
#include <thread>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "AdvanceSystem.h"
#include "AppErrors.h"
#include "ConversionJob.h"
#include "FuncObjects.h"

namespace {

class EngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_program.isValid());
        TAppFunc::SetAppPathOverride(m_program.path());
        CreateFuncObjects();
    }
    void TearDown() override { TAppFunc::SetAppPathOverride(QString()); }

    QString AppFolder() const { return m_program.path() + QLatin1Char('/'); }
    QString Out() const { return m_work.filePath(QStringLiteral("sonabrix")); }

    // The row of the program's worked examples: holiday.avi from 00:00:10 to 00:01:40.
    RecConversionChoices WorkedExample(int outputType) const
    {
        RecConversionChoices choices = StartUpChoices();
        choices.OutputType = outputType;
        ApplyQualityProfile(choices);
        choices.OutputFolder = Out();
        choices.HasSegment = true;
        choices.SegmentStart = QStringLiteral("00:00:10");
        choices.SegmentEnd = QStringLiteral("00:01:40");
        return choices;
    }

    QTemporaryDir m_program;
    QTemporaryDir m_work;
};

struct WorkedCase { int outputType; const char *options; const char *output; };
class WorkedExampleTest : public EngineTest, public ::testing::WithParamInterface<WorkedCase> {};

TEST_P(WorkedExampleTest, GivesTheProgramsCommandLine)
{
    const WorkedCase &c = GetParam();
    const RecConversionJob job = FormConversion(WorkedExample(c.outputType), QStringLiteral("/clips/holiday.avi"), AppFolder());
    EXPECT_EQ(job.CommandLine, AppFolder() + QStringLiteral("evc.exe -y -i \"/clips/holiday.avi\" ")
                                   + QLatin1String(c.options) + QStringLiteral(" \"") + Out() + QLatin1Char('/')
                                   + QLatin1String(c.output) + QLatin1Char('"'));
    EXPECT_EQ(job.SegmentLength, QStringLiteral("90"));
    EXPECT_EQ(job.OutputFolder, Out() + QLatin1Char('/'));
    EXPECT_TRUE(QDir(Out()).exists());
}

INSTANTIATE_TEST_SUITE_P(Examples, WorkedExampleTest, ::testing::Values(
    WorkedCase{2, "-acodec mp3 -vn -ab 128 -vol 200 -ac 2 -ar 44100 -ss 00:00:10 -t 90", "holiday.mp3"},
    WorkedCase{0, "-acodec amr_nb -s 176x144 -b 128 -ab 128 -vol 200 -ac 1 -ar 8000 -ss 00:00:10 -t 90", "holiday.amr"}));

TEST_F(EngineTest, ClashingNamesAreNumberedByBaseName)
{
    QDir().mkpath(Out());
    QFile(Out() + QStringLiteral("/holiday.wav")).open(QIODevice::WriteOnly);
    QFile(Out() + QStringLiteral("/holiday_1.txt")).open(QIODevice::WriteOnly);
    const RecConversionJob job = FormConversion(WorkedExample(2), QStringLiteral("/clips/holiday.avi"), AppFolder());
    EXPECT_EQ(job.OutputPath, Out() + QStringLiteral("/holiday_2.mp3"));
}

TEST_F(EngineTest, NoSegmentConvertsTheWholeFileAndEmptyChoicesFallBack)
{
    RecConversionChoices choices = WorkedExample(6);
    choices.HasSegment = false;
    choices.Volume.clear();
    choices.AudioBitrate.clear();
    choices.AudioChannels.clear();
    choices.AudioSample.clear();
    const RecConversionJob job = FormConversion(choices, QStringLiteral("/clips/holiday.avi"), AppFolder());
    EXPECT_TRUE(job.CommandLine.contains(QStringLiteral("-acodec pcm_s16le -vn -ab 64  -ac 2 -ar 44100 \"")))
        << job.CommandLine.toStdString();
    EXPECT_TRUE(job.SegmentLength.isEmpty());
}

struct ProfileCase { int outputType; int quality; const char *bitrate; const char *channels; const char *sample; };
class QualityProfileTest : public ::testing::TestWithParam<ProfileCase> {};

TEST_P(QualityProfileTest, SetsTheThreeAudioChoicesAndLeavesTheRest)
{
    const ProfileCase &c = GetParam();
    RecConversionChoices choices = StartUpChoices();
    choices.Volume = QStringLiteral("300");
    choices.OutputType = c.outputType;
    choices.Quality = c.quality;
    ApplyQualityProfile(choices);
    EXPECT_EQ(choices.AudioBitrate, QLatin1String(c.bitrate));
    EXPECT_EQ(choices.AudioChannels, QLatin1String(c.channels));
    EXPECT_EQ(choices.AudioSample, QLatin1String(c.sample));
    EXPECT_EQ(choices.Volume, QStringLiteral("300"));
    EXPECT_EQ(choices.VideoSize, QStringLiteral("176x144"));
}

INSTANTIATE_TEST_SUITE_P(Table, QualityProfileTest, ::testing::Values(
    ProfileCase{0, 2, "128", "1 channel, Mono", "22050"},
    ProfileCase{2, 0, "48", "1 channel, Mono", "22050"},
    ProfileCase{2, 1, "80", "2 channels, Stereo", "32000"},
    ProfileCase{5, 3, "192", "2 channels, Stereo", "44100"},
    ProfileCase{6, 4, "224", "2 channels, Stereo", "48000"}));

TEST(StartUpChoices, AreThoseOfAFreshWindow)
{
    const RecConversionChoices choices = StartUpChoices();
    EXPECT_EQ(choices.OutputType, 0);
    EXPECT_EQ(choices.Quality, 2);
    EXPECT_EQ(choices.AudioBitrate, QStringLiteral("128"));
    EXPECT_EQ(choices.AudioChannels, QStringLiteral("1 channel, Mono"));
    EXPECT_EQ(choices.AudioSample, QStringLiteral("22050"));
    EXPECT_EQ(choices.Volume, QStringLiteral("200"));
    EXPECT_EQ(choices.VideoBitrate, QStringLiteral("128"));
    EXPECT_EQ(choices.FrameRate, QStringLiteral("15"));
    EXPECT_EQ(choices.AspectRatio, QStringLiteral("4:3"));
    EXPECT_EQ(choices.OutputFolder, QDir::homePath() + QStringLiteral("/sonabrix"));
}

TEST(CustomProfileString, SetsSixChoicesOrNothing)
{
    RecConversionChoices choices = StartUpChoices();
    EXPECT_TRUE(ApplyCustomProfileString(choices, QStringLiteral("0|0|4|8|1|3")));
    EXPECT_EQ(choices.VideoSize, QStringLiteral("352x288"));
    EXPECT_EQ(choices.FrameRate, QStringLiteral("11"));
    EXPECT_EQ(choices.VideoBitrate, QStringLiteral("512"));
    EXPECT_EQ(choices.AudioBitrate, QStringLiteral("224"));
    EXPECT_EQ(choices.AudioChannels, QStringLiteral("2 channels, Stereo"));
    EXPECT_EQ(choices.AudioSample, QStringLiteral("48000"));

    const RecConversionChoices before = StartUpChoices();
    choices = before;
    EXPECT_FALSE(ApplyCustomProfileString(choices, QStringLiteral("1|1|1|1|1")));
    EXPECT_EQ(choices.AudioBitrate, before.AudioBitrate);
    // -1 stands for a choice with no selection.
    EXPECT_TRUE(ApplyCustomProfileString(choices, QStringLiteral("1|1|1|-1|1|1")));
    EXPECT_TRUE(choices.AudioBitrate.isEmpty());
    EXPECT_THROW(ApplyCustomProfileString(choices, QStringLiteral("1|1|x|1|1|1")), EConvertError);
}

// The batch command stops encoders from its own thread while their runners
// watch them on others.
TEST_F(EngineTest, ARunnerEndsOnlyItsOwnChildFromAnotherThread)
{
    TAdvanceSystem runner;
    EXPECT_FALSE(runner.TerminateChild());
    bool started = false;
    std::thread watch([&] {
        started = runner.RunConsoleProgram(QStringLiteral(HELPER_DIR "/console_helper sleep 30000"),
                                           [](const QString &) {});
    });
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool ended = false;
    while (!ended && std::chrono::steady_clock::now() < until) {
        ended = runner.TerminateChild();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    watch.join();
    EXPECT_TRUE(ended);
    EXPECT_TRUE(started);
    EXPECT_EQ(runner.LastExitCode(), 128 + 9);
    // Reaped and forgotten: nothing is signalled any more.
    EXPECT_FALSE(runner.TerminateChild());
}

} // namespace
