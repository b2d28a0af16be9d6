// The catalogue and its choices, the source list with the media probe, and
// the encoder command line.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "AdvanceSystem.h"
#include "AppErrors.h"
#include "FakePlatform.h"
#include "FuncObjects.h"
#include "TestEnvironment.h"
#include "Unit_CommonLib.h"
#include "Unit_ConfigInfo.h"
#include "Unit_Convert.h"
#include "Unit_Option.h"
#include "UnitCustomProc.h"

namespace {

class CatalogueTest : public WindowsTest {};

TEST_F(CatalogueTest, StartUpChoicesAreAmrAtNormalQuality)
{
    EXPECT_EQ(m_main->cbbOutputFiletype->currentText(), QStringLiteral("AMR Audio Files (*.amr)"));
    EXPECT_EQ(m_main->cbbOutputFiletype->count(), 7);
    EXPECT_EQ(m_main->cbbProfile->currentText(), QStringLiteral("Normal Quality"));
    EXPECT_FALSE(m_main->cbbProfile->isEnabled());
    EXPECT_FALSE(m_main->btnOptions->isEnabled());
    EXPECT_EQ(m_option->cbbAudioBitrate->currentText(), QStringLiteral("128"));
    EXPECT_EQ(m_option->cbbAudioChannels->currentText(), QStringLiteral("1 channel, Mono"));
    EXPECT_EQ(m_option->cbbAudioSample->currentText(), QStringLiteral("22050"));
    EXPECT_EQ(m_option->cbbAudioVolumeGain->currentText(), QStringLiteral("200"));
    EXPECT_EQ(m_option->cbbAudioVolumeGain->count(), 21);
    EXPECT_EQ(m_option->cbbVideoSize->currentText(), QStringLiteral("176x144"));
    EXPECT_EQ(m_option->cbbVideoBitrate->currentText(), QStringLiteral("128"));
    EXPECT_EQ(m_option->cbbFramerate->currentText(), QStringLiteral("15"));
    EXPECT_EQ(m_option->cbbAspectratio->currentText(), QStringLiteral("4:3"));
}

struct ProfileCase { const char *type; const char *quality; const char *bitrate; const char *channels; const char *rate; };

class ProfileTableTest : public WindowsTest, public ::testing::WithParamInterface<ProfileCase> {};

TEST_P(ProfileTableTest, ChoosingTypeAndQualitySetsTheAudioChoices)
{
    UserSelects(m_main->cbbOutputFiletype, QString::fromUtf8(GetParam().type));
    UserSelects(m_main->cbbProfile, QString::fromUtf8(GetParam().quality));
    EXPECT_EQ(m_option->cbbAudioBitrate->currentText(), QString::fromUtf8(GetParam().bitrate));
    EXPECT_EQ(m_option->cbbAudioChannels->currentText(), QString::fromUtf8(GetParam().channels));
    EXPECT_EQ(m_option->cbbAudioSample->currentText(), QString::fromUtf8(GetParam().rate));
}

INSTANTIATE_TEST_SUITE_P(Profiles, ProfileTableTest, ::testing::Values(
    ProfileCase{"MP3 Files (*.mp3)", "Superb Quality", "224", "2 channels, Stereo", "48000"},
    ProfileCase{"OGG Audio Files (*.ogg)", "Low Quality", "48", "1 channel, Mono", "22050"},
    ProfileCase{"AAC Advanced Audio Coding (*.aac)", "Acceptable Quality", "80", "2 channels, Stereo", "32000"},
    ProfileCase{"WAV Audio Files", "Excellent Quality", "192", "2 channels, Stereo", "44100"},
    ProfileCase{"M4A MPEG Audio Files (*.m4a)", "Normal Quality", "128", "2 channels, Stereo", "44100"},
    ProfileCase{"AC3 Dolby Surround Audio Coding-3 (*.ac3)", "Low Quality", "48", "1 channel, Mono", "22050"}));

TEST_F(CatalogueTest, NonAmrTypesEnableTheProfileAndOptions)
{
    UserSelects(m_main->cbbOutputFiletype, QStringLiteral("MP3 Files (*.mp3)"));
    EXPECT_TRUE(m_main->cbbProfile->isEnabled());
    EXPECT_TRUE(m_main->btnOptions->isEnabled());
    UserSelects(m_main->cbbOutputFiletype, QStringLiteral("AMR Audio Files (*.amr)"));
    EXPECT_FALSE(m_main->cbbProfile->isEnabled());
    EXPECT_EQ(m_option->cbbAudioChannels->currentText(), QStringLiteral("1 channel, Mono"));
}

TEST_F(CatalogueTest, VolumeAndVideoChoicesSurviveAProfile)
{
    UserSelects(m_main->cbbOutputFiletype, QStringLiteral("MP3 Files (*.mp3)"));
    UserSelects(m_main->cbbProfile, QStringLiteral("Low Quality"));
    m_option->cbbAudioVolumeGain->setCurrentText(QStringLiteral("300"));
    m_option->cbbAudioBitrate->setCurrentText(QStringLiteral("224"));
    m_option->cbbVideoSize->setCurrentText(QStringLiteral("352x288"));
    UserSelects(m_main->cbbOutputFiletype, QStringLiteral("OGG Audio Files (*.ogg)"));
    EXPECT_EQ(m_option->cbbAudioVolumeGain->currentText(), QStringLiteral("300"));
    EXPECT_EQ(m_option->cbbAudioBitrate->currentText(), QStringLiteral("48"));
    EXPECT_EQ(m_option->cbbVideoSize->currentText(), QStringLiteral("352x288"));
}

TEST_F(CatalogueTest, SelectingFromCodeRaisesNoChangeHandler)
{
    // The type changes from code: no profile is applied, the profile box
    // stays as AMR left it.
    m_main->cbbOutputFiletype->setCurrentIndex(2);
    EXPECT_FALSE(m_main->cbbProfile->isEnabled());
    EXPECT_EQ(m_option->cbbAudioChannels->currentText(), QStringLiteral("1 channel, Mono"));
    CustomProc->FillProfileCombo(m_main->cbbProfile);
    EXPECT_FALSE(m_main->cbbProfile->isEnabled());
}

TEST(CatalogueLists, EveryChoiceListEndsWithItsDefaultIndex)
{
    const QList<QStringList> lists = {GetOutputTypeList(), GetQualityList(), GetAspectRatioList(), GetAudioBitrateList(),
                                      GetAudioChannelList(), GetFrameRateList(), GetAudioSampleList(),
                                      GetVideoBitrateList(), GetVideoSizeList(), GetVolumeList()};
    for (const QStringList &list : lists) {
        bool ok = false;
        const int index = list.last().toInt(&ok);
        ASSERT_TRUE(ok);
        EXPECT_LT(index, list.size() - 1) << list.join(QLatin1Char(',')).toStdString();
    }
    EXPECT_EQ(GetCodecList().size(), 7);
    EXPECT_EQ(GetFormatList(), QStringList(7, QStringLiteral("none")));
    for (int type = 0; type < 7; ++type)
        EXPECT_EQ(GetProfileListOfType(type).size(), 5);
    EXPECT_EQ(GetAMRProfileList()[4], QStringLiteral("none|none|none|8|0|0"));
    EXPECT_EQ(GetWAVProfileList()[4], QStringLiteral("none|none|none|8|1|3"));
}

// --- Encoder command line -------------------------------------------------------

class CommandLineTest : public WindowsTest
{
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        m_out = TempPath(QStringLiteral("sonabrix"));
        m_main->edtOutputFolder->setText(m_out);
        AddRow(QStringLiteral("/clips/holiday.avi"), QStringLiteral("00:02:00"), QStringLiteral("00:00:10"),
               QStringLiteral("00:01:40"));
    }
    QString m_out;
};

TEST_F(CommandLineTest, Mp3AtNormalQualityGivesTheAudioForm)
{
    UserSelects(m_main->cbbOutputFiletype, QStringLiteral("MP3 Files (*.mp3)"));
    const QString line = CustomProc->BuildCommandLine(QStringLiteral("/clips/holiday.avi"));
    EXPECT_EQ(line, AppFolder() + QStringLiteral("evc.exe -y -i \"/clips/holiday.avi\" -acodec mp3 -vn -ab 128 -vol 200 "
                                                 "-ac 2 -ar 44100 -ss 00:00:10 -t 90 \"")
                        + m_out + QStringLiteral("/holiday.mp3\""));
    EXPECT_EQ(CommonLib->OutputFolder, m_out + QLatin1Char('/'));
    EXPECT_EQ(CommonLib->SourceFile, QStringLiteral("/clips/holiday.avi"));
    EXPECT_EQ(CustomProc->SegmentLength, QStringLiteral("90"));
    EXPECT_EQ(LogMessages(), QStringList({QStringLiteral("Output directory ") + m_out + QLatin1Char('/')}));
    EXPECT_TRUE(QDir(m_out).exists());
}

TEST_F(CommandLineTest, AmrAtStartUpGivesTheNarrowBandForm)
{
    const QString line = CustomProc->BuildCommandLine(QStringLiteral("/clips/holiday.avi"));
    EXPECT_EQ(line, AppFolder() + QStringLiteral("evc.exe -y -i \"/clips/holiday.avi\" -acodec amr_nb -s 176x144 -b 128 "
                                                 "-ab 128 -vol 200 -ac 1 -ar 8000 -ss 00:00:10 -t 90 \"")
                        + m_out + QStringLiteral("/holiday.amr\""));
}

TEST_F(CommandLineTest, ClashingOutputsGetNumberedNames)
{
    UserSelects(m_main->cbbOutputFiletype, QStringLiteral("MP3 Files (*.mp3)"));
    QDir().mkpath(m_out);
    QFile(m_out + QStringLiteral("/holiday.wav")).open(QIODevice::WriteOnly);
    EXPECT_TRUE(CustomProc->BuildCommandLine(QStringLiteral("/clips/holiday.avi")).endsWith(QStringLiteral("/holiday_1.mp3\"")));
    QFile(m_out + QStringLiteral("/holiday_1.txt")).open(QIODevice::WriteOnly);
    EXPECT_TRUE(CustomProc->BuildCommandLine(QStringLiteral("/clips/holiday.avi")).endsWith(QStringLiteral("/holiday_2.mp3\"")));
}

TEST_F(CommandLineTest, FragmentsFallBackWhenAChoiceHasNoSelection)
{
    UserSelects(m_main->cbbOutputFiletype, QStringLiteral("WAV Audio Files"));
    m_option->cbbAudioVolumeGain->setCurrentIndex(-1);
    m_option->cbbAudioBitrate->setCurrentIndex(-1);
    m_option->cbbAudioChannels->setCurrentIndex(-1);
    m_option->cbbAudioSample->setCurrentIndex(-1);
    const QString line = CustomProc->BuildCommandLine(QStringLiteral("/clips/holiday.avi"));
    EXPECT_TRUE(line.contains(QStringLiteral("-acodec pcm_s16le -vn -ab 64  -ac 2 -ar 44100 -ss")))
        << line.toStdString();
    EXPECT_EQ(CommonLib->GetVideoSizeArg(m_option->cbbVideoSize, -1), QStringLiteral(" -s 320x240"));
    EXPECT_EQ(CommonLib->GetVideoBitrateArg(m_option->cbbVideoBitrate, 99), QStringLiteral(" -b 512"));
}

TEST_F(CommandLineTest, ChannelCaptionIsReducedToItsFirstCharacter)
{
    m_option->cbbAudioChannels->addItem(QStringLiteral("6 channels, surround"));
    EXPECT_EQ(CommonLib->GetAudioChannelsArg(m_option->cbbAudioChannels, 2), QStringLiteral(" -ac 6"));
    EXPECT_EQ(CommonLib->GetAudioChannelsArg(m_option->cbbAudioChannels, 0), QStringLiteral(" -ac 1"));
}

TEST_F(CommandLineTest, ASourceWithoutExtensionIsNamedByTheExtensionAlone)
{
    UserSelects(m_main->cbbOutputFiletype, QStringLiteral("MP3 Files (*.mp3)"));
    AddRow(QStringLiteral("/clips/noext"), QStringLiteral("00:00:05"));
    const QString line = CustomProc->BuildCommandLine(QStringLiteral("/clips/noext"));
    EXPECT_TRUE(line.endsWith(QStringLiteral(" \"") + m_out + QStringLiteral("/.mp3\""))) << line.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("-ss 00:00:00 -t 5 "))) << line.toStdString();
}

TEST_F(CommandLineTest, ARowLookupIgnoresLetterCaseAndAMissingRowConvertsTheWholeFile)
{
    EXPECT_EQ(CustomProc->GetSegmentStart(QStringLiteral("/CLIPS/HOLIDAY.AVI")), QStringLiteral("00:00:10"));
    EXPECT_EQ(CustomProc->SegmentSecondsOf(QStringLiteral("/clips/holiday.avi")), 90);
    EXPECT_EQ(CustomProc->SegmentSecondsOf(QStringLiteral("/clips/other.avi")), 0);
    const QString line = CustomProc->BuildCommandLine(QStringLiteral("/clips/other.avi"));
    EXPECT_FALSE(line.contains(QStringLiteral("-ss"))) << line.toStdString();
    EXPECT_TRUE(CustomProc->SegmentLength.isEmpty());
}

TEST_F(CommandLineTest, OutputFolderEndingInASlashIsUsedAsItIs)
{
    m_main->edtOutputFolder->setText(m_out + QLatin1Char('/'));
    EXPECT_EQ(CustomProc->PrepareOutputFolder(), m_out + QLatin1Char('/'));
    m_main->edtOutputFolder->setText(QStringLiteral("/proc/cannot/create"));
    EXPECT_EQ(CustomProc->PrepareOutputFolder(), QStringLiteral("/proc/cannot/create/"));
    EXPECT_EQ(LogMessages().last(), QStringLiteral("Output directory error. ->/proc/cannot/create/"));
}

TEST_F(CommandLineTest, AwkwardSourceNamesSurviveTheRunnersSplitting)
{
    UserSelects(m_main->cbbOutputFiletype, QStringLiteral("OGG Audio Files (*.ogg)"));
    const QStringList names = {QStringLiteral("/clips/with blanks.avi"), QStringLiteral("/clips/say \"hi\".avi"),
                               QStringLiteral("/clips/back\\slash\\\\.avi"), QStringLiteral("/clips/-dash.avi"),
                               QStringLiteral("/clips/Übergröße 音楽.avi"), QStringLiteral("/clips/end\\\".avi")};
    for (const QString &name : names) {
        AddRow(name, QStringLiteral("00:00:05"));
        const QStringList args = SplitCommandLine(CustomProc->BuildCommandLine(name));
        ASSERT_GE(args.size(), 4);
        EXPECT_EQ(args[0], AppFolder() + QStringLiteral("evc.exe"));
        EXPECT_EQ(args[3], name);
        EXPECT_EQ(args.last(), CommonLib->OutputPath);
        EXPECT_EQ(QFileInfo(args.last()).completeBaseName(), QFileInfo(name).completeBaseName());
    }
}

TEST(CommandLineSplitting, AnUnquotedProgramPathWithBlanksIsFound)
{
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/with blanks XXXXXX"));
    const QString program = dir.filePath(QStringLiteral("evc.exe"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/true"), program));
    const QStringList args = SplitCommandLine(program + QStringLiteral(" -y -i \"a b\" x"));
    EXPECT_EQ(args, QStringList({program, QStringLiteral("-y"), QStringLiteral("-i"), QStringLiteral("a b"),
                                 QStringLiteral("x")}));
}

// The program path is read from the text as it stands, whatever its folder holds.
TEST(CommandLineSplitting, AnUnquotedProgramPathMayHoldAnyCharacters)
{
    QTemporaryDir dir;
    for (const char *folder : {"a  b", "a\tb", "say \"hi\"", "Gr\xC3\xBC\xC3\x9F" "e", "back\\slash \\\" x", " lead"}) {
        const QString programFolder = dir.filePath(QString::fromUtf8(folder));
        ASSERT_TRUE(QDir().mkpath(programFolder));
        const QString program = programFolder + QStringLiteral("/evc.exe");
        ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/true"), program));
        const QStringList args = SplitCommandLine(program + QStringLiteral(" -y -i \"a  b\" \"x\\\"y\""));
        EXPECT_EQ(args, QStringList({program, QStringLiteral("-y"), QStringLiteral("-i"), QStringLiteral("a  b"),
                                     QStringLiteral("x\"y")}))
            << folder;
    }
}

// --- Source file list ----------------------------------------------------------

class SourceListTest : public WindowsTest
{
protected:
    QTreeWidget *List() const { return m_main->dxTreeSourceFileInfo; }
    QString Copy(const QString &clip, const QString &name) const
    {
        const QString path = TempPath(name);
        QFile::copy(clip, path);
        return path;
    }
};

TEST_F(SourceListTest, ANewRowHoldsItsSevenCells)
{
    const QString path = Copy(MakeClip({QStringLiteral("five.mp4"), 5.0}), QStringLiteral("clip.mp4"));
    CommonLib->AddSourceFiles(List(), {path});
    ASSERT_EQ(List()->topLevelItemCount(), 1);
    const RecSourceFile row = RecSourceFile::FromRow(List()->topLevelItem(0));
    EXPECT_EQ(row.CheckStatus, QStringLiteral("True"));
    EXPECT_EQ(row.FileName, path);
    EXPECT_EQ(row.FileSize, TCommonLib::FileSizeToText(QFileInfo(path).size()));
    EXPECT_EQ(row.Duration, QStringLiteral("00:00:05"));
    EXPECT_EQ(row.StartTime, QStringLiteral("00:00:00"));
    EXPECT_EQ(row.EndTime, QStringLiteral("00:00:05"));
    EXPECT_EQ(row.CutTime, QStringLiteral("00:00:05"));
    EXPECT_EQ(CustomProc->SegmentSecondsOf(path), 5);
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
}

TEST_F(SourceListTest, DuplicatesAndUnsupportedExtensionsAreSkippedSilently)
{
    const QString clip = MakeClip({QStringLiteral("two.avi"), 2.0});
    const QString path = Copy(clip, QStringLiteral("clip.avi"));
    const QString upper = Copy(clip, QStringLiteral("LOUD.AVI"));
    const QString mka = Copy(clip, QStringLiteral("other.mka"));
    const QString text = Copy(clip, QStringLiteral("other.txt"));
    CommonLib->AddSourceFiles(List(), {path, path, upper, mka, text});
    CommonLib->AddSourceFiles(List(), {path});
    EXPECT_EQ(List()->topLevelItemCount(), 2);
    // The same file named with other letter case is another row.
    CommonLib->AddSourceFiles(List(), {TempPath(QStringLiteral("CLIP.avi"))});
    EXPECT_EQ(List()->topLevelItemCount(), 2);  // no such file: a warning, no row
    EXPECT_EQ(FakePlatform().Messages.size(), 1);
    EXPECT_TRUE(FakePlatform().Messages.isEmpty() || FakePlatform().Messages[0].Caption == QStringLiteral("Sonabrix"));
}

// The containers and sound files accepted beyond the classic video types,
// each with the codecs such a file usually carries.
struct ExtensionCase { const char *extension; bool video; QStringList codecs; };

class AddedExtensionTest : public SourceListTest, public ::testing::WithParamInterface<ExtensionCase> {};

TEST_P(AddedExtensionTest, IsAcceptedByTheList)
{
    const ExtensionCase &clip = GetParam();
    const QString name = QStringLiteral("accepted.") + QString::fromUtf8(clip.extension);
    const bool narrowBand = name.endsWith(QLatin1String(".amr"));
    const ClipSpec fixture(name, 2.0, true, clip.video, 0.125, narrowBand ? 8000 : 44100, narrowBand ? 1 : 2, clip.codecs);
    // Upper case on purpose: the extension is compared in lower case.
    const QString path = Copy(MakeClip(fixture), name.toUpper());
    CommonLib->AddSourceFiles(List(), {path});
    ASSERT_EQ(List()->topLevelItemCount(), 1) << name.toStdString();
    EXPECT_EQ(List()->topLevelItem(0)->text(colDuration), QStringLiteral("00:00:02"));
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
    EXPECT_TRUE(SupportedExtensions().contains(QLatin1Char('.') + QString::fromUtf8(clip.extension)));
}

const QStringList Vp8Opus = {QStringLiteral("-c:v"), QStringLiteral("libvpx"), QStringLiteral("-c:a"),
                             QStringLiteral("libopus")};
const QStringList Mpeg2Ac3 = {QStringLiteral("-c:v"), QStringLiteral("mpeg2video"), QStringLiteral("-r"),
                              QStringLiteral("25"), QStringLiteral("-c:a"), QStringLiteral("ac3")};

INSTANTIATE_TEST_SUITE_P(Extensions, AddedExtensionTest, ::testing::Values(
    ExtensionCase{"mkv", true, {QStringLiteral("-c:a"), QStringLiteral("libopus")}},
    ExtensionCase{"webm", true, Vp8Opus},
    ExtensionCase{"ts", true, Mpeg2Ac3},
    ExtensionCase{"m2ts", true, {}},
    ExtensionCase{"mts", true, {}},
    ExtensionCase{"ogv", true, {QStringLiteral("-c:v"), QStringLiteral("libtheora"), QStringLiteral("-c:a"),
                                QStringLiteral("libvorbis")}},
    ExtensionCase{"mp3", false, {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}},
    ExtensionCase{"wav", false, {QStringLiteral("-c:a"), QStringLiteral("pcm_s16le")}},
    ExtensionCase{"flac", false, {QStringLiteral("-c:a"), QStringLiteral("flac")}},
    ExtensionCase{"ogg", false, {QStringLiteral("-c:a"), QStringLiteral("libvorbis")}},
    ExtensionCase{"opus", false, {QStringLiteral("-c:a"), QStringLiteral("libopus")}},
    ExtensionCase{"m4a", false, {}},
    ExtensionCase{"aac", false, {}},
    ExtensionCase{"wma", false, {QStringLiteral("-c:a"), QStringLiteral("wmav2")}},
    ExtensionCase{"ac3", false, {QStringLiteral("-c:a"), QStringLiteral("ac3")}},
    ExtensionCase{"amr", false, {QStringLiteral("-c:a"), QStringLiteral("libopencore_amrnb"), QStringLiteral("-b:a"),
                                 QStringLiteral("12.2k")}}),
    [](const ::testing::TestParamInfo<ExtensionCase> &info) { return std::string(info.param.extension); });

TEST_F(SourceListTest, SameFileInOtherLetterCaseAddsASecondRow)
{
    const QString path = Copy(MakeClip({QStringLiteral("two.avi"), 2.0}), QStringLiteral("clip.avi"));
    const QString other = TempPath(QStringLiteral("Clip.avi"));
    QFile::link(path, other);
    CommonLib->AddSourceFiles(List(), {path, other});
    EXPECT_EQ(List()->topLevelItemCount(), 2);
}

TEST_F(SourceListTest, UnreadableFilesWarnOnceEachAndGoodOnesAreAdded)
{
    const QString good = Copy(MakeClip({QStringLiteral("two.avi"), 2.0}), QStringLiteral("good.avi"));
    QStringList paths;
    for (const QString &name : {QStringLiteral("text.avi"), QStringLiteral("empty.mp4"), QStringLiteral("short.mp4")}) {
        QFile file(TempPath(name));
        file.open(QIODevice::WriteOnly);
        if (name == QLatin1String("text.avi"))
            file.write("not a video at all");
        paths << file.fileName();
    }
    QFile::remove(paths[2]);
    QFile::copy(MakeClip({QStringLiteral("short.mp4"), 0.8}), paths[2]);
    paths.insert(1, good);
    CommonLib->AddSourceFiles(List(), paths);
    EXPECT_EQ(List()->topLevelItemCount(), 1);
    ASSERT_EQ(FakePlatform().Messages.size(), 3);
    for (const auto &message : FakePlatform().Messages) {
        EXPECT_EQ(message.Text, QStringLiteral("Files reading error! Please check your files."));
        EXPECT_EQ(message.Kind, TPlatformLayer::MessageKind::Warning);
        EXPECT_EQ(message.Caption, QStringLiteral("Sonabrix"));
    }
}

TEST_F(SourceListTest, DurationsAreTruncatedToWholeSeconds)
{
    EXPECT_EQ(TCommonLib::ProbeDurationSeconds(MakeClip({QStringLiteral("long29.mp4"), 2.9})), 2);
    EXPECT_EQ(TCommonLib::ProbeDurationSeconds(MakeClip({QStringLiteral("short.mp4"), 0.8})), 0);
    EXPECT_EQ(TCommonLib::ProbeDurationSeconds(MakeClip({QStringLiteral("source.vob"), 4.0})), 4);
    EXPECT_EQ(TCommonLib::ProbeDurationSeconds(TempPath(QStringLiteral("missing.avi"))), 0);
    EXPECT_EQ(TCommonLib::ProbeDurationSeconds(m_work.path()), 0);
}

TEST_F(SourceListTest, SourceFileSizeFailsWithAFileError)
{
    EXPECT_THROW(TCommonLib::SourceFileSize(TempPath(QStringLiteral("missing.avi"))), EFileError);
    const QString path = Copy(MakeClip({QStringLiteral("two.avi"), 2.0}), QStringLiteral("open.avi"));
    QFile writer(path);
    ASSERT_TRUE(writer.open(QIODevice::ReadWrite));
    EXPECT_EQ(TCommonLib::SourceFileSize(path), QFileInfo(path).size());
}

TEST_F(SourceListTest, RemovingMovesTheFocusToTheRowAbove)
{
    for (int i = 0; i < 5; ++i)
        AddRow(QStringLiteral("/f%1.avi").arg(i), QStringLiteral("00:00:05"));
    CommonLib->RemoveSelectedRows(List());
    EXPECT_EQ(List()->topLevelItemCount(), 5);  // nothing selected

    List()->setCurrentItem(List()->topLevelItem(3));
    List()->topLevelItem(1)->setSelected(true);
    CommonLib->RemoveSelectedRows(List());
    ASSERT_EQ(List()->topLevelItemCount(), 3);  // rows 1 and 3 gone
    EXPECT_EQ(List()->currentItem()->text(colFileName), QStringLiteral("/f2.avi"));
    EXPECT_TRUE(List()->currentItem()->isSelected());

    List()->clearSelection();
    List()->setCurrentItem(List()->topLevelItem(0));
    CommonLib->RemoveSelectedRows(List());
    EXPECT_EQ(List()->topLevelItemCount(), 2);
    EXPECT_EQ(List()->currentItem(), nullptr);
    EXPECT_TRUE(List()->updatesEnabled());
}

TEST_F(SourceListTest, RemovingTheRowAboveTooLeavesNoFocus)
{
    for (int i = 0; i < 3; ++i)
        AddRow(QStringLiteral("/f%1.avi").arg(i), QStringLiteral("00:00:05"));
    List()->setCurrentItem(List()->topLevelItem(2));
    List()->topLevelItem(1)->setSelected(true);
    CommonLib->RemoveSelectedRows(List());
    EXPECT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_EQ(List()->currentItem(), nullptr);
}

TEST_F(SourceListTest, ClearRowsEmptiesTheList)
{
    AddRow(QStringLiteral("/a.avi"), QStringLiteral("00:00:05"));
    EXPECT_TRUE(CommonLib->ClearRows(List()));
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_TRUE(List()->updatesEnabled());
}

TEST_F(SourceListTest, ChooseSourceFilesUsesTheDialogAndDropsDuplicates)
{
    TOpenDialog &dialog = m_main->dlgOpenSourceFile;
    EXPECT_TRUE(CommonLib->ChooseSourceFiles(dialog, true, QStringLiteral("/start/")).isEmpty());
    EXPECT_EQ(FakePlatform().OpenDialogFolders, QStringList({QStringLiteral("/start/")}));
    EXPECT_EQ(FakePlatform().OpenDialogFilters.first(), SourceFileDialogFilter());
    EXPECT_TRUE(FakePlatform().OpenDialogFilters.first().startsWith(
        QStringLiteral("Supported Files|*.3gp;*.mp4;*.m4v;*.mpeg;*.3g2;*.mpg;*.avi;*.asf;*.mov;*.wmv;*.flv;*.swf;*.rm;*.rmvb;*.vob;")));

    FakePlatform().OpenFileAnswers.push_back({QStringLiteral("/a.avi"), QStringLiteral("/b.avi"), QStringLiteral("/a.avi"),
                                              QStringLiteral("/A.avi")});
    EXPECT_EQ(CommonLib->ChooseSourceFiles(dialog, true, QStringLiteral("/start/")),
              QStringList({QStringLiteral("/a.avi"), QStringLiteral("/b.avi"), QStringLiteral("/A.avi")}));
    EXPECT_EQ(dialog.FileName, QStringLiteral("/a.avi"));
    EXPECT_TRUE(TCommonLib::RemoveDuplicatePaths({}).isEmpty());
}

TEST(DialogFilter, BecomesQtsFilterKeepingEachLabel)
{
    const QString qt = DialogFilterToQt(SourceFileDialogFilter());
    const QStringList entries = qt.split(QStringLiteral(";;"));
    ASSERT_EQ(entries.size(), 15);
    EXPECT_TRUE(entries[0].startsWith(QStringLiteral("Supported Files (*.3gp *.mp4")));
    EXPECT_EQ(entries[5], QStringLiteral("FLV ,SWF Flash Video (*.flv,swf) (*.flv *.swf)"));
}

TEST(DialogFilter, KeepsTheClassicEntriesAndOffersEveryAcceptedExtension)
{
    const QString classic = QStringLiteral(
        "|3GP, 3G2 Files (*.3gp,*.3g2)|*.3gp|AVI Files (*.avi)|*.avi|ASF Files (*.asf)|*.asf|MOV Files (*.mov)|*.mov"
        "|FLV ,SWF Flash Video (*.flv,swf)|*.flv;*.swf|MP4 File (*.mp4,*.m4v)|*.mp4;*.m4v"
        "|MPEG Files (*.mpeg,*.mpg)|*.mpeg;*.mpg|RM, RMVB (*.rm,*.rmvb)|*.rm;*.rmvb"
        "|VOB Video Files (*.vob)|*.vob|WMV Video Files (*.wmv)|*.wmv|");
    const QString filter = SourceFileDialogFilter();
    EXPECT_TRUE(filter.startsWith(QStringLiteral(
        "Supported Files|*.3gp;*.mp4;*.m4v;*.mpeg;*.3g2;*.mpg;*.avi;*.asf;*.mov;*.wmv;*.flv;*.swf;*.rm;*.rmvb;*.vob;")));
    EXPECT_TRUE(filter.contains(classic));

    const QStringList parts = filter.split(QLatin1Char('|'));
    ASSERT_EQ(parts.size() % 2, 0);
    const QStringList supported = parts[1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QStringList inEntries;
    for (int i = 3; i < parts.size(); i += 2)
        inEntries << parts[i].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &extension : SupportedExtensions()) {
        const QString pattern = QLatin1Char('*') + extension;
        EXPECT_EQ(supported.count(pattern), 1) << extension.toStdString();
        // The classic entries leave out *.3g2; every added type has an entry of its own.
        if (extension != QLatin1String(".3g2")) {
            EXPECT_EQ(inEntries.count(pattern), 1) << extension.toStdString();
        }
    }
    EXPECT_EQ(supported.size(), SupportedExtensions().size());
}

TEST_F(SourceListTest, MessageBoxKindsAndCaption)
{
    for (int kind = 0; kind <= 3; ++kind)
        EXPECT_TRUE(CommonLib->ShowMessageBox(QStringLiteral("text"), kind));
    EXPECT_FALSE(CommonLib->ShowMessageBox(QStringLiteral("text"), 4));
    EXPECT_FALSE(CommonLib->ShowMessageBox(QStringLiteral("text"), -1));
    ASSERT_EQ(FakePlatform().Messages.size(), 4);
    EXPECT_EQ(FakePlatform().Messages[2].Kind, TPlatformLayer::MessageKind::Question);
    EXPECT_EQ(FakePlatform().Messages[3].Caption, QStringLiteral("Sonabrix"));
}

} // namespace
