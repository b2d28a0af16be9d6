// Text, number and time helpers; application services.
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "AppErrors.h"
#include "FuncObjects.h"
#include "TestEnvironment.h"
#include "Unit_CommonLib.h"

namespace {

struct SplitCase { const char *text; char delimiter; QStringList pieces; };

class SplitByDelimiterTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitByDelimiterTest, GivesThePieces)
{
    const SplitCase &c = GetParam();
    EXPECT_EQ(TCommonLib::SplitByDelimiter(QString::fromUtf8(c.text), QLatin1Char(c.delimiter)), c.pieces) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitByDelimiterTest, ::testing::Values(
    SplitCase{"00:01:30", ':', {"00", "01", "30"}},
    SplitCase{"a|b||", '|', {"a", "b", ""}},
    SplitCase{"", ':', {}},
    SplitCase{"whole", ':', {"whole"}},
    SplitCase{"a::b", ':', {"a", "", "b"}},
    SplitCase{":a", ':', {"", "a"}},
    SplitCase{"a:", ':', {"a"}},
    SplitCase{":", ':', {""}}));

struct NumberCase { const char *text; double value; };

class TextToNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(TextToNumberTest, ReadsTheNumber)
{
    EXPECT_DOUBLE_EQ(TCommonLib::TextToNumber(QString::fromUtf8(GetParam().text)), GetParam().value)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Cases, TextToNumberTest, ::testing::Values(
    NumberCase{" 12.5 ", 12.5}, NumberCase{"1.2.3", 1.23}, NumberCase{"12:30", 1230}, NumberCase{"5-", 5},
    NumberCase{"1-2", 12}, NumberCase{"-+5", -5}, NumberCase{"+-5", 5}, NumberCase{"--3", -3},
    NumberCase{"abc", 0}, NumberCase{"", 0}, NumberCase{"+", 0}, NumberCase{"-", 0}, NumberCase{"7", 7},
    NumberCase{".5", 0.5}, NumberCase{"5.", 5}, NumberCase{".", 0}, NumberCase{"-.", 0},
    NumberCase{"\t\n 42 kB\r", 42}));

TEST(TextToNumber, LoneSignLeftOverFailsWithConversionError)
{
    EXPECT_THROW(TCommonLib::TextToNumber(QStringLiteral("+-")), EConvertError);
    EXPECT_THROW(TCommonLib::TextToNumber(QStringLiteral("-+")), EConvertError);
}

TEST(TextToNumber, ReadsThePointWhateverTheLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German));
    EXPECT_DOUBLE_EQ(TCommonLib::TextToNumber(QStringLiteral("12.34")), 12.34);
    EXPECT_EQ(TCommonLib::FileSizeToText(1536), QStringLiteral("1.5 KB"));
    QLocale::setDefault(saved);
}

struct TimeCase { qint64 seconds; const char *text; };

class SecondsToTimeTextTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(SecondsToTimeTextTest, WritesTheTimeText)
{
    EXPECT_EQ(TCommonLib::SecondsToTimeText(GetParam().seconds), QString::fromUtf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Cases, SecondsToTimeTextTest, ::testing::Values(
    TimeCase{0, "00:00:00"}, TimeCase{59, "00:00:59"}, TimeCase{61, "00:01:01"}, TimeCase{3661, "01:01:01"},
    TimeCase{86399, "23:59:59"}, TimeCase{360000, "100:00:00"}, TimeCase{-5, "00:00:00"},
    TimeCase{3600, "01:00:00"}, TimeCase{60, "00:01:00"}));

TEST(ZeroPadQuotient, PadsButNeverShortens)
{
    EXPECT_EQ(TCommonLib::ZeroPadQuotient(7, 1, 2), QStringLiteral("07"));
    EXPECT_EQ(TCommonLib::ZeroPadQuotient(125000, 1000, 2), QStringLiteral("125"));
    EXPECT_EQ(TCommonLib::ZeroPadQuotient(59999, 60000, 2), QStringLiteral("00"));
}

struct SizeCase { qint64 bytes; const char *text; };

class FileSizeToTextTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(FileSizeToTextTest, WritesTheSizeText)
{
    EXPECT_EQ(TCommonLib::FileSizeToText(GetParam().bytes), QString::fromUtf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Cases, FileSizeToTextTest, ::testing::Values(
    SizeCase{0, "0 B"}, SizeCase{1023, "1023 B"}, SizeCase{1024, "1 KB"}, SizeCase{1536, "1.5 KB"},
    SizeCase{1048575, "1023.99 KB"}, SizeCase{5000000, "4.76 MB"}, SizeCase{1073741823, "1023.99 MB"},
    SizeCase{1073741824, "1 GB"}, SizeCase{1610612736, "1.5 GB"}, SizeCase{-5, "0 B"},
    SizeCase{1099511627776LL * 1024, "1048576 GB"}));

TEST(TimeTextToSeconds, ReadsExactlyThreeIntegerPieces)
{
    EXPECT_EQ(TCommonLib::TimeTextToSeconds(QStringLiteral("01:02:03")), 3723);
    EXPECT_EQ(TCommonLib::TimeTextToSeconds(QStringLiteral("100:00:00")), 360000);
    EXPECT_EQ(TCommonLib::TimeTextToSeconds(QStringLiteral("1:2")), 0);
    EXPECT_EQ(TCommonLib::TimeTextToSeconds(QString()), 0);
    EXPECT_THROW(TCommonLib::TimeTextToSeconds(QStringLiteral("01:xx:03")), EConvertError);
    EXPECT_THROW(TCommonLib::TimeTextToSeconds(QStringLiteral("99999999999:00:00")), EConvertError);
}

TEST(LenientTimeTextToSeconds, ReadsWhatNumbersThePiecesHold)
{
    EXPECT_EQ(TCommonLib::LenientTimeTextToSeconds(QStringLiteral("01:02:03.9")), 3723);
    EXPECT_EQ(TCommonLib::LenientTimeTextToSeconds(QStringLiteral("1a:2b:3c")), 3723);
    EXPECT_EQ(TCommonLib::LenientTimeTextToSeconds(QStringLiteral("1:2")), 0);
    EXPECT_EQ(TCommonLib::LenientTimeTextToSeconds(QStringLiteral("0:0:5:99")), 5);
    EXPECT_THROW(TCommonLib::LenientTimeTextToSeconds(QStringLiteral("99999999999:0:0")), EConvertError);
}

// --- Application services ----------------------------------------------------

class ApplicationServicesTest : public ProgramFolderTest {};

TEST_F(ApplicationServicesTest, AppPathIsTheProgramFolderWithATrailingSlash)
{
    EXPECT_EQ(AppFunc->GetAppPath(), AppFolder());
    TAppFunc::SetAppPathOverride(QString());
    EXPECT_TRUE(AppFunc->GetAppPath().endsWith(QLatin1Char('/')));
    EXPECT_EQ(QDir(AppFunc->GetAppPath()), QDir(QCoreApplication::applicationDirPath()));
}

TEST_F(ApplicationServicesTest, WriteLogCreatesThenAppendsTimeStampedLines)
{
    AppFunc->WriteLog(QStringLiteral("first | with a bar"));
    AppFunc->WriteLog(QStringLiteral("zweite Zeile äö"));
    const QString text = LogText();
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3) << text.toStdString();
    EXPECT_TRUE(lines[2].isEmpty());
    const QRegularExpression form(QStringLiteral("^Vexlo Soft (.+) \\d{1,2}:\\d{2}:\\d{2}(?: [AP]M)?\\|(.*)$"));
    EXPECT_TRUE(form.match(lines[0]).hasMatch()) << lines[0].toStdString();
    EXPECT_EQ(form.match(lines[0]).captured(2), QStringLiteral("first | with a bar"));
    EXPECT_EQ(form.match(lines[1]).captured(2), QStringLiteral("zweite Zeile äö"));
}

TEST_F(ApplicationServicesTest, WriteLogFailureReachesTheCaller)
{
    // Neither the program folder nor the user's data folder can be written.
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "/proc/no-such-data-folder");
    TAppFunc::SetAppPathOverride(QStringLiteral("/proc/no-such-folder"));
    EXPECT_THROW(AppFunc->WriteLog(QStringLiteral("x")), EFileError);
    qputenv("XDG_DATA_HOME", dataHome);
}

TEST(StrFunc, GetLastPartIsTheTextAfterTheLastDelimiter)
{
    const TStrFunc strings;
    EXPECT_EQ(strings.GetLastPart(QStringLiteral("a.b.c"), QStringLiteral(".")), QStringLiteral("c"));
    EXPECT_EQ(strings.GetLastPart(QStringLiteral("take_1"), QStringLiteral("_")), QStringLiteral("1"));
    EXPECT_EQ(strings.GetLastPart(QStringLiteral("plain"), QStringLiteral(".")), QStringLiteral("plain"));
    EXPECT_EQ(strings.GetLastPart(QStringLiteral("end."), QStringLiteral(".")), QString());
    EXPECT_EQ(strings.GetLastLine(QStringLiteral("size=1\r\nevc: no audio stream \n  \n")),
              QStringLiteral("evc: no audio stream"));
    EXPECT_EQ(strings.GetLastLine(QStringLiteral("\n\r ")), QString());
}

struct NameCase { const char *path; const char *folder; const char *baseName; };

class FileNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(FileNameTest, SplitsFolderAndBaseName)
{
    const TFileFunc files;
    const QString path = QString::fromUtf8(GetParam().path);
    EXPECT_EQ(files.GetFilePath(path), QString::fromUtf8(GetParam().folder));
    EXPECT_EQ(files.GetFileNameNoExt(path), QString::fromUtf8(GetParam().baseName));
}

INSTANTIATE_TEST_SUITE_P(Cases, FileNameTest, ::testing::Values(
    NameCase{"/music/song.mp3", "/music/", "song"}, NameCase{"/x/a.b.c", "/x/", "a.b"},
    NameCase{"/x/name.", "/x/", "name"}, NameCase{"/x/noext", "/x/", ""}, NameCase{"song.mp3", "", "song"},
    NameCase{"/x.y/file", "/x.y/", ""}, NameCase{"/x/.mp3", "/x/", ""}));

class UniqueFileNameTest : public ProgramFolderTest
{
protected:
    QString Folder() const { return m_work.path() + QLatin1Char('/'); }
    void Touch(const QString &name) const
    {
        QFile file(Folder() + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
};

TEST_F(UniqueFileNameTest, ClashesAreDecidedByTheBaseNameIgnoringCase)
{
    TFileFunc files;
    EXPECT_EQ(files.GetUniqueFileName(Folder() + QStringLiteral("song.mp3")), Folder() + QStringLiteral("song.mp3"));
    Touch(QStringLiteral("song.avi"));
    Touch(QStringLiteral("song_1.wav"));
    EXPECT_EQ(files.GetUniqueFileName(Folder() + QStringLiteral("song.mp3")), Folder() + QStringLiteral("song_2.mp3"));
    Touch(QStringLiteral("Tune.MP3"));
    EXPECT_EQ(files.GetUniqueFileName(Folder() + QStringLiteral("tune.mp3")), Folder() + QStringLiteral("tune_1.mp3"));
}

TEST_F(UniqueFileNameTest, ABaseThatEndsInANumberGetsASuffixOfItsOwn)
{
    TFileFunc files;
    Touch(QStringLiteral("take_1.avi"));
    EXPECT_EQ(files.GetUniqueFileName(Folder() + QStringLiteral("take_1.mp3")), Folder() + QStringLiteral("take_1_1.mp3"));
    Touch(QStringLiteral("take_1_1.mp3"));
    EXPECT_EQ(files.GetUniqueFileName(Folder() + QStringLiteral("take_1.mp3")), Folder() + QStringLiteral("take_1_2.mp3"));
    EXPECT_EQ(files.OriginalName, QStringLiteral("take_1"));
}

TEST_F(UniqueFileNameTest, AnEmptyBaseNameIsMadeUniqueToo)
{
    TFileFunc files;
    EXPECT_EQ(files.GetUniqueFileName(Folder() + QStringLiteral(".mp3")), Folder() + QStringLiteral(".mp3"));
    Touch(QStringLiteral(".mp3"));
    EXPECT_EQ(files.GetUniqueFileName(Folder() + QStringLiteral(".mp3")), Folder() + QStringLiteral("_1.mp3"));
}

TEST_F(UniqueFileNameTest, TheChosenNameIsReservedAtOnce)
{
    TFileFunc files;
    const QString first = files.GetUniqueFileName(Folder() + QStringLiteral("song.mp3"));
    const QString second = files.GetUniqueFileName(Folder() + QStringLiteral("song.mp3"));
    EXPECT_EQ(first, Folder() + QStringLiteral("song.mp3"));
    EXPECT_EQ(second, Folder() + QStringLiteral("song_1.mp3"));
    for (const QString &path : {first, second}) {
        EXPECT_TRUE(QFileInfo(path).isFile()) << path.toStdString();
        EXPECT_EQ(QFileInfo(path).size(), 0);
    }
}

TEST_F(UniqueFileNameTest, AFolderThatTakesNoFileGivesTheWishedPathUnreserved)
{
    TFileFunc files;
    QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::ExeOwner);
    const QString wished = Folder() + QStringLiteral("song.mp3");
    const QString chosen = files.GetUniqueFileName(wished);
    QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser writes into read-only folders";
    EXPECT_EQ(chosen, wished);
    EXPECT_FALSE(QFile::exists(wished));
}

TEST_F(UniqueFileNameTest, AMissingFolderGivesTheWishedPath)
{
    TFileFunc files;
    const QString wished = Folder() + QStringLiteral("missing/song.mp3");
    EXPECT_EQ(files.GetUniqueFileName(wished), wished);
}

TEST_F(UniqueFileNameTest, FileListSkipsFoldersAndFiltersByExactExtension)
{
    Touch(QStringLiteral("a.mp3"));
    Touch(QStringLiteral("b.MP3"));
    Touch(QStringLiteral(".hidden.mp3"));
    QDir(Folder()).mkdir(QStringLiteral("sub.mp3"));
    QStringList listed = TFileFunc().GetFileList(Folder(), QStringLiteral(".mp3"));
    listed.sort();
    EXPECT_EQ(listed, QStringList({Folder() + QStringLiteral(".hidden.mp3"), Folder() + QStringLiteral("a.mp3")}));
    EXPECT_EQ(TFileFunc().GetFileList(Folder(), QString()).size(), 3);
}

TEST(FuncObjects, CreateFuncObjectsGivesAFreshSet)
{
    CreateFuncObjects();
    TFileFunc *first = FileFunc;
    first->OriginalName = QStringLiteral("kept?");
    CreateFuncObjects();
    ASSERT_NE(FileFunc, nullptr);
    EXPECT_TRUE(FileFunc->OriginalName.isEmpty());
    EXPECT_NE(AppFunc, nullptr);
    EXPECT_NE(SysFunc, nullptr);
    EXPECT_NE(StrFunc, nullptr);
}

} // namespace
