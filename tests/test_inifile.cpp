// The INI file engine: its reading and writing rules, byte for byte.
#include <QFile>

#include <gtest/gtest.h>

#include "AppErrors.h"
#include "IniFiles32.h"
#include "TestEnvironment.h"

namespace {

class IniFileTest : public ::testing::Test
{
protected:
    QString Path(const QString &name = QStringLiteral("settings.ini")) const { return m_dir.filePath(name); }

    void WriteBytes(const QByteArray &bytes, const QString &name = QStringLiteral("settings.ini")) const
    {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray ReadBytes(const QString &name = QStringLiteral("settings.ini")) const
    {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

TEST_F(IniFileTest, WriteIntegerToAMissingFileCreatesThreeLines)
{
    TIniFile32 ini(Path());
    ini.WriteInteger(QStringLiteral("count"), QStringLiteral("count"), 1);
    EXPECT_EQ(ReadBytes(), QByteArray("\r\n[count]\r\ncount=1\r\n"));
}

TEST_F(IniFileTest, NewKeyGoesDirectlyBeforeTheNextHeader)
{
    WriteBytes("[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    TIniFile32(Path()).WriteString(QStringLiteral("A"), QStringLiteral("z"), QStringLiteral("3"));
    EXPECT_EQ(ReadBytes(), QByteArray("[A]\r\nx=1\r\n\r\nz=3\r\n[B]\r\ny=2\r\n"));
}

TEST_F(IniFileTest, WritingAnExistingKeyMakesItCompactAndKeepsOtherLines)
{
    WriteBytes("; hand note\n[S]\nkey = old \nno equals here\n[T]\nkey=t\n");
    TIniFile32 ini(Path());
    ini.WriteString(QStringLiteral("S"), QStringLiteral("key"), QStringLiteral(" new "));
    EXPECT_EQ(ReadBytes(), QByteArray("; hand note\r\n[S]\r\nkey= new \r\nno equals here\r\n[T]\r\nkey=t\r\n"));
}

TEST_F(IniFileTest, ReadingTrimsAndFallsBackToTheDefault)
{
    WriteBytes("[USRInfo]\r\n  InitDir =  /home/me/  \r\nEmpty=\r\nbare line\r\n   \r\n");
    const TIniFile32 ini(Path());
    EXPECT_EQ(ini.ReadString(QStringLiteral("usrinfo"), QStringLiteral("InitDir"), QStringLiteral("d")), QStringLiteral("/home/me/"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("USRInfo"), QStringLiteral("initdir"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("USRInfo"), QStringLiteral("Empty"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("USRInfo"), QStringLiteral("bare line"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("USRInfo"), QString(), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Other"), QStringLiteral("InitDir"), QStringLiteral("d")), QStringLiteral("d"));
}

TEST_F(IniFileTest, FirstOccurrenceOfSectionAndKeyWins)
{
    WriteBytes("[S]\nk=1\nk=2\n[s]\nk=3\n");
    TIniFile32 ini(Path());
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("k"), QString()), QStringLiteral("1"));
    ini.WriteString(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("9"));
    EXPECT_EQ(ReadBytes(), QByteArray("[S]\r\nk=9\r\nk=2\r\n[s]\r\nk=3\r\n"));
}

TEST_F(IniFileTest, AHeaderWithABlankBeforeTheBracketIsListedButNotFound)
{
    WriteBytes(" [Spaced]\r\nk=1\r\n[ Inner ]\r\n");
    TIniFile32 ini(Path());
    QStringList sections;
    ini.ReadSections(&sections);
    EXPECT_EQ(sections, QStringList({QStringLiteral("Spaced"), QStringLiteral("Inner")}));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Spaced"), QStringLiteral("k"), QStringLiteral("d")), QStringLiteral("d"));
    ini.WriteString(QStringLiteral("Spaced"), QStringLiteral("k"), QStringLiteral("2"));
    EXPECT_EQ(ReadBytes(), QByteArray(" [Spaced]\r\nk=1\r\n[ Inner ]\r\n\r\n[Spaced]\r\nk=2\r\n"));
}

TEST_F(IniFileTest, EraseSectionLeavesOneBlankLineUnlessItWasFirst)
{
    WriteBytes("[A]\r\na=1\r\n[B]\r\nb=2\r\n\r\n[C]\r\nc=3\r\n");
    TIniFile32 ini(Path());
    ini.EraseSection(QStringLiteral("B"));
    EXPECT_EQ(ReadBytes(), QByteArray("[A]\r\na=1\r\n\r\n[C]\r\nc=3\r\n"));
    // The blank line left in B's place belongs to A, the file's first section.
    ini.EraseSection(QStringLiteral("a"));
    EXPECT_EQ(ReadBytes(), QByteArray("[C]\r\nc=3\r\n"));
}

TEST_F(IniFileTest, ErasingAMissingSectionDoesNotTouchTheFile)
{
    WriteBytes("[A]\na=1\n");
    TIniFile32(Path()).EraseSection(QStringLiteral("Nope"));
    EXPECT_EQ(ReadBytes(), QByteArray("[A]\na=1\n"));
}

struct IntegerCase { const char *value; int expected; };

class ReadIntegerTest : public IniFileTest, public ::testing::WithParamInterface<IntegerCase> {};

TEST_P(ReadIntegerTest, ReadsDecimalAndHexadecimal)
{
    WriteBytes(QByteArray("[n]\nv=") + GetParam().value + "\n");
    EXPECT_EQ(TIniFile32(Path()).ReadInteger(QStringLiteral("n"), QStringLiteral("v"), -7), GetParam().expected)
        << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadIntegerTest, ::testing::Values(
    IntegerCase{"42", 42}, IntegerCase{"-3", -3}, IntegerCase{"+8", 8}, IntegerCase{"0x1F", 31},
    IntegerCase{"0X1f", 31}, IntegerCase{"$1F", 31}, IntegerCase{"$FFFFFFFF", -1}, IntegerCase{"12ab", -7},
    IntegerCase{"0x", -7}, IntegerCase{"", -7}, IntegerCase{"2147483648", -7}, IntegerCase{"-2147483648", INT32_MIN},
    IntegerCase{"1.5", -7}));

TEST_F(IniFileTest, LineEndsOfEveryKindAreRead)
{
    WriteBytes("[A]\rx=1\r\n[B]\ny=2\n\n[C]\rz=3");
    QStringList sections;
    const TIniFile32 ini(Path());
    ini.ReadSections(&sections);
    EXPECT_EQ(sections, QStringList({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    EXPECT_EQ(ini.Lines().size(), 7);
    EXPECT_EQ(ini.ReadString(QStringLiteral("C"), QStringLiteral("z"), QString()), QStringLiteral("3"));
}

TEST_F(IniFileTest, ANulByteEndsTheText)
{
    WriteBytes(QByteArray("[A]\nx=1\n[B]\0\ny=2\n", 17));
    const TIniFile32 ini(Path());
    EXPECT_EQ(ini.ReadString(QStringLiteral("A"), QStringLiteral("x"), QString()), QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("B"), QStringLiteral("y"), QStringLiteral("d")), QStringLiteral("d"));
}

TEST_F(IniFileTest, Utf8NamesAndValuesPassThroughUnchanged)
{
    TIniFile32 ini(Path());
    ini.WriteString(QStringLiteral("Профиль ü"), QStringLiteral("Профиль ü"), QStringLiteral("0|1|2|3|1|2"));
    EXPECT_EQ(ReadBytes(), QStringLiteral("\r\n[Профиль ü]\r\nПрофиль ü=0|1|2|3|1|2\r\n").toUtf8());
    EXPECT_EQ(TIniFile32(Path()).ReadString(QStringLiteral("Профиль ü"), QStringLiteral("Профиль ü"), QString()),
              QStringLiteral("0|1|2|3|1|2"));
}

TEST_F(IniFileTest, GarbageAndHugeLinesNeverCrash)
{
    QByteArray garbage;
    for (int i = 0; i < 200000; ++i)
        garbage += static_cast<char>((i * 7919) % 255 + 1);
    garbage += QByteArray(3 * 1024 * 1024, '[');
    WriteBytes(garbage);
    TIniFile32 ini(Path());
    QStringList sections;
    ini.ReadSections(&sections);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("x"), QStringLiteral("y"), 5), 5);
    ini.WriteString(QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z"));
    EXPECT_EQ(TIniFile32(Path()).ReadString(QStringLiteral("x"), QStringLiteral("y"), QString()), QStringLiteral("z"));
}

TEST_F(IniFileTest, MissingFileReadsDefaultsAndIsNotCreated)
{
    const TIniFile32 ini(Path());
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("count"), QStringLiteral("count"), 0), 0);
    EXPECT_FALSE(QFile::exists(Path()));
}

TEST_F(IniFileTest, UnreadableOrUnwritablePlacesRaiseFileErrors)
{
    // A folder in place of the file cannot be read, even by root.
    EXPECT_THROW(TIniFile32 ini(m_dir.path()), EFileError);
    TIniFile32 missingFolder(Path(QStringLiteral("no-folder/settings.ini")));
    EXPECT_THROW(missingFolder.WriteInteger(QStringLiteral("a"), QStringLiteral("b"), 1), EFileError);
    EXPECT_EQ(missingFolder.Lines().size(), 3);  // the change stays in memory
    TIniFile32 readOnlyPlace(QStringLiteral("/proc/sonabrix.ini"));
    EXPECT_THROW(readOnlyPlace.WriteString(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")), EFileError);
}

TEST_F(IniFileTest, ReadSectionsWithoutAListIsAnAssertionError)
{
    const TIniFile32 ini(Path());
    try {
        ini.ReadSections(nullptr);
        FAIL() << "no error";
    } catch (const EAssertionFailed &error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).startsWith(QStringLiteral("Param Strings must be assigned")));
    }
}

TEST_F(IniFileTest, ReadSectionsReplacesWhatTheListHeld)
{
    WriteBytes("[A]\n[A]\n");
    QStringList sections = {QStringLiteral("old")};
    TIniFile32(Path()).ReadSections(&sections);
    EXPECT_EQ(sections, QStringList({QStringLiteral("A"), QStringLiteral("A")}));
}

} // namespace

// --- Files that cannot be read whole -------------------------------------------

namespace {

// The bytes of a literal, NUL bytes included.
template <size_t N>
QByteArray Raw(const char (&text)[N])
{
    return QByteArray(text, static_cast<int>(N - 1));
}

struct DamagedCase { const char *what; QByteArray bytes; QStringList sectionsSeen; };

class DamagedIniTest : public IniFileTest, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedIniTest, EveryProfileSurvivesASaveInTheFileOrInTheKeptCopy)
{
    const QByteArray original = GetParam().bytes;
    WriteBytes(original, QStringLiteral("UserProfileInfo.ini"));
    static QStringList logged;
    logged.clear();
    TIniFile32::SetLog([](const QString &message) { logged << message; });
    {
        TIniFile32 ini(Path(QStringLiteral("UserProfileInfo.ini")));
        QStringList sections;
        ini.ReadSections(&sections);
        EXPECT_EQ(sections, GetParam().sectionsSeen) << GetParam().what;
        ini.WriteString(QStringLiteral("New"), QStringLiteral("New"), QStringLiteral("1|1|1|1|1|1"));
    }
    EXPECT_EQ(ReadBytes(QStringLiteral("UserProfileInfo.ini.bak")), original) << GetParam().what;
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged[0].contains(Path(QStringLiteral("UserProfileInfo.ini.bak")))) << logged[0].toStdString();
    const QByteArray saved = ReadBytes(QStringLiteral("UserProfileInfo.ini"));
    EXPECT_TRUE(saved.contains("[New]\r\nNew=1|1|1|1|1|1\r\n"));
    TIniFile32::SetLog({});
}

QByteArray Utf16(const char *text)
{
    const QString decoded = QString::fromUtf8(text);
    QByteArray bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char *>(decoded.utf16()), decoded.size() * 2);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedIniTest, ::testing::Values(
    DamagedCase{"a NUL in the middle", Raw("[One]\r\nOne=1|1|1|1|1|1\r\n\0\r\n[Two]\r\nTwo=2|2|2|2|2|2\r\n"),
                {QStringLiteral("One")}},
    DamagedCase{"UTF-16", Utf16("[One]\r\nOne=1|1|1|1|1|1\r\n[Two]\r\nTwo=2|2|2|2|2|2\r\n"), {}},
    DamagedCase{"not UTF-8", QByteArray("[Caf\xE9]\r\nCaf\xE9=1|1|1|1|1|1\r\n"), {QString::fromUtf8("Caf\xEF\xBF\xBD")}}));

} // namespace

TEST_F(IniFileTest, AnEarlierCopyIsNeverOverwrittenAndAnEqualOneNotRepeated)
{
    const QByteArray first = Raw("[A]\r\nA=1\r\n\0[B]\r\n");
    const QByteArray second = Raw("[C]\r\nC=1\r\n\0[D]\r\n");
    WriteBytes(first);
    TIniFile32(Path()).WriteInteger(QStringLiteral("A"), QStringLiteral("A"), 2);
    WriteBytes(first);
    TIniFile32(Path()).WriteInteger(QStringLiteral("A"), QStringLiteral("A"), 3);
    WriteBytes(second);
    TIniFile32(Path()).WriteInteger(QStringLiteral("C"), QStringLiteral("C"), 2);
    EXPECT_EQ(ReadBytes(QStringLiteral("settings.ini.bak")), first);
    EXPECT_EQ(ReadBytes(QStringLiteral("settings.ini.bak1")), second);
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("settings.ini.bak2"))));
}

TEST_F(IniFileTest, LinesThatAreNotUtf8AreKeptOnceNotAtEverySave)
{
    const QByteArray original("[Caf\xE9]\r\nCaf\xE9=1\r\n");
    WriteBytes(original);
    for (int value = 2; value < 5; ++value)
        TIniFile32(Path()).WriteInteger(QStringLiteral("count"), QStringLiteral("count"), value);
    EXPECT_EQ(ReadBytes(QStringLiteral("settings.ini.bak")), original);
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("settings.ini.bak1"))));
    EXPECT_TRUE(ReadBytes().startsWith(original));
}

TEST_F(IniFileTest, AFileReadWholeKeepsNoCopy)
{
    WriteBytes("[A]\r\nA=1\r\n");
    TIniFile32(Path()).WriteInteger(QStringLiteral("A"), QStringLiteral("A"), 2);
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("settings.ini.bak"))));
}

TEST_F(IniFileTest, AByteOrderMarkHidesNoSectionAndIsKept)
{
    WriteBytes("\xEF\xBB\xBF[First]\r\nFirst=1|2|3|4|5|6\r\n[Second]\r\nSecond=0|0|0|0|0|0\r\n");
    TIniFile32 ini(Path());
    QStringList sections;
    ini.ReadSections(&sections);
    EXPECT_EQ(sections, QStringList({QStringLiteral("First"), QStringLiteral("Second")}));
    EXPECT_EQ(ini.ReadString(QStringLiteral("First"), QStringLiteral("First"), QString()), QStringLiteral("1|2|3|4|5|6"));
    ini.WriteInteger(QStringLiteral("First"), QStringLiteral("n"), 7);
    EXPECT_EQ(ReadBytes(), QByteArray("\xEF\xBB\xBF[First]\r\nFirst=1|2|3|4|5|6\r\nn=7\r\n[Second]\r\nSecond=0|0|0|0|0|0\r\n"));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("settings.ini.bak"))));
}
