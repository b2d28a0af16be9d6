// Where an installed program keeps its log and settings, and the files a
// file manager hands the program on its command line.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "FakePlatform.h"
#include "FuncObjects.h"
#include "Simple.h"
#include "TestEnvironment.h"
#include "Unit_CommonLib.h"
#include "Unit_Convert.h"

namespace {

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class DataFolderTest : public ProgramFolderTest
{
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        m_savedDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dataHome.path()));
        WriteFile(AppFolder() + QStringLiteral("Config/UserProfileInfo.ini"), "[Shipped]\nShipped=1\n");
    }

    void TearDown() override
    {
        TAppFunc::SetInstalledProgramFolder(QString());
        qputenv("XDG_DATA_HOME", m_savedDataHome);
        ProgramFolderTest::TearDown();
    }

    QString UserDataFolder() const { return m_dataHome.path() + QStringLiteral("/sonabrix/"); }

    QTemporaryDir m_dataHome;
    QByteArray m_savedDataHome;
};

TEST_F(DataFolderTest, AWritableProgramFolderKeepsLogAndSettingsBesideTheProgram)
{
    EXPECT_EQ(AppFunc->GetDataPath(), AppFolder());
    AppFunc->WriteLog(QStringLiteral("here"));
    EXPECT_TRUE(QFileInfo::exists(AppFolder() + QStringLiteral("log.txt")));
    EXPECT_FALSE(QFileInfo::exists(UserDataFolder()));
    EXPECT_EQ(TCommonLib(AppFolder()).ConfigFilePath(QStringLiteral("UserSettings.ini")),
              AppFolder() + QStringLiteral("Config/UserSettings.ini"));
}

TEST_F(DataFolderTest, TheInstalledProgramFolderSendsLogAndSettingsToTheUsersDataFolder)
{
    TAppFunc::SetInstalledProgramFolder(AppFolder());
    EXPECT_EQ(AppFunc->GetDataPath(), UserDataFolder());
    AppFunc->WriteLog(QStringLiteral("installed"));
    EXPECT_TRUE(ReadFile(UserDataFolder() + QStringLiteral("log.txt")).contains("|installed"));
    EXPECT_FALSE(QFileInfo::exists(AppFolder() + QStringLiteral("log.txt")));

    // The settings the program folder ships are copied once, on first start.
    EXPECT_EQ(ReadFile(UserDataFolder() + QStringLiteral("Config/UserProfileInfo.ini")),
              QByteArray("[Shipped]\nShipped=1\n"));
    EXPECT_EQ(TCommonLib(AppFolder()).ConfigFilePath(QStringLiteral("UserProfileInfo.ini")),
              UserDataFolder() + QStringLiteral("Config/UserProfileInfo.ini"));
}

TEST_F(DataFolderTest, TheUsersOwnSettingsAreNeverReplacedByTheShippedOnes)
{
    TAppFunc::SetInstalledProgramFolder(AppFolder());
    ASSERT_TRUE(QDir().mkpath(UserDataFolder() + QStringLiteral("Config")));
    WriteFile(UserDataFolder() + QStringLiteral("Config/UserProfileInfo.ini"), "[Mine]\nMine=2\n");
    EXPECT_EQ(AppFunc->GetDataPath(), UserDataFolder());
    EXPECT_EQ(ReadFile(UserDataFolder() + QStringLiteral("Config/UserProfileInfo.ini")), QByteArray("[Mine]\nMine=2\n"));
}

TEST(StartupFiles, CommandLineNamesBecomeAbsolutePaths)
{
    QTemporaryDir folder;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    const QStringList files = StartupFiles({QStringLiteral("a.mp4"), QStringLiteral("sub/../b c.mkv"),
                                            QStringLiteral("/abs/clip.avi"),
                                            QStringLiteral("file:///home/u/Gr%C3%BC%C3%9Fe.mp4"),
                                            QStringLiteral("-leading-dash.mp4")});
    QDir::setCurrent(previous);
    const QString here = QFileInfo(folder.path()).absoluteFilePath();
    EXPECT_EQ(files, QStringList({here + QStringLiteral("/a.mp4"), here + QStringLiteral("/b c.mkv"),
                                  QStringLiteral("/abs/clip.avi"), QStringLiteral("/home/u/Grüße.mp4"),
                                  here + QStringLiteral("/-leading-dash.mp4")}));
}

class OpenWithTest : public WindowsTest {};

TEST_F(OpenWithTest, FilesOnTheCommandLineAreListedAsDroppedFilesAre)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_work.path()));
    ASSERT_TRUE(QFile::copy(MakeClip(ClipSpec(QStringLiteral("open_with.mp4"), 2.0)), QStringLiteral("a.mp4")));
    ASSERT_TRUE(QFile::copy(MakeClip(ClipSpec(QStringLiteral("open_with.mkv"), 2.0)), QStringLiteral("b.mkv")));
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("folder.mp4")));
    OpenStartupFiles(*m_main, {QStringLiteral("a.mp4"), QStringLiteral("b.mkv"), QStringLiteral("folder.mp4"),
                               QStringLiteral("a.mp4")});
    QDir::setCurrent(previous);

    const QTreeWidget *list = m_main->dxTreeSourceFileInfo;
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(colFileName), m_work.path() + QStringLiteral("/a.mp4"));
    EXPECT_EQ(list->topLevelItem(1)->text(colFileName), m_work.path() + QStringLiteral("/b.mkv"));
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
}
