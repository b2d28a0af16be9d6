// Custom profiles, the remembered add-files folder and the options dialog.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "AppErrors.h"
#include "FakePlatform.h"
#include "IniFiles32.h"
#include "PlatformLayer.h"
#include "Simple.h"
#include "TestEnvironment.h"
#include "Unit_CommonLib.h"
#include "Unit_Convert.h"
#include "Unit_Converting.h"
#include "Unit_Option.h"
#include "UnitCustomProc.h"

namespace {

class ProfilesTest : public WindowsTest
{
protected:
    QString ConfigFile(const QString &name) const { return AppFolder() + QStringLiteral("Config/") + name; }
    QByteArray Bytes(const QString &name) const
    {
        QFile file(ConfigFile(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    int Counter() const
    {
        return TIniFile32(ConfigFile(QStringLiteral("UserProfileCount.ini")))
            .ReadInteger(QStringLiteral("count"), QStringLiteral("count"), 0);
    }
    QStringList Profiles() const { return CommonLib->ReadConfigSections(QStringLiteral("UserProfileInfo.ini")); }
    QComboBox *Box() const { return m_option->cbbCustomProfile; }
    // Sets the six profile choices to known items.
    void Choose(int size, int rate, int videoBitrate, int bitrate, int channels, int sample)
    {
        m_option->cbbVideoSize->setCurrentIndex(size);
        m_option->cbbFramerate->setCurrentIndex(rate);
        m_option->cbbVideoBitrate->setCurrentIndex(videoBitrate);
        m_option->cbbAudioBitrate->setCurrentIndex(bitrate);
        m_option->cbbAudioChannels->setCurrentIndex(channels);
        m_option->cbbAudioSample->setCurrentIndex(sample);
    }
    QString Choices() const
    {
        return QStringLiteral("%1|%2|%3|%4|%5|%6")
            .arg(m_option->cbbVideoSize->currentIndex()).arg(m_option->cbbFramerate->currentIndex())
            .arg(m_option->cbbVideoBitrate->currentIndex()).arg(m_option->cbbAudioBitrate->currentIndex())
            .arg(m_option->cbbAudioChannels->currentIndex()).arg(m_option->cbbAudioSample->currentIndex());
    }
    // Starts the windows again as the program does, over what is stored now.
    void Restart()
    {
        m_option.reset();
        m_converting.reset();
        m_main.reset();
        m_main = std::make_unique<TFrmMainForm>();
        m_converting = std::make_unique<TfrmConverting>();
        m_option = std::make_unique<TfrmOption>(m_main.get());
        m_main->edtOutputFolder->setText(TempPath(QStringLiteral("out")));
        m_main->show();
    }
    void WriteProfiles(const QByteArray &bytes) const
    {
        QFile file(ConfigFile(QStringLiteral("UserProfileInfo.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};

TEST_F(ProfilesTest, AddProposesNumberedNamesAndTheCounterNeverGoesBack)
{
    Choose(0, 0, 1, 3, 1, 2);
    m_option->btnAddClick();
    EXPECT_EQ(FakePlatform().Prompts, QStringList({QStringLiteral("Plese input a name [UserProfileInfo1]")}));
    EXPECT_EQ(Counter(), 1);
    EXPECT_EQ(Bytes(QStringLiteral("UserProfileInfo.ini")),
              QByteArray("\r\n[UserProfileInfo1]\r\nUserProfileInfo1=0|0|1|3|1|2\r\n"));
    EXPECT_EQ(Bytes(QStringLiteral("UserProfileCount.ini")), QByteArray("\r\n[count]\r\ncount=1\r\n"));
    EXPECT_EQ(Box()->currentText(), QStringLiteral("UserProfileInfo1"));

    m_option->btnDelClick();
    EXPECT_TRUE(Profiles().isEmpty());
    m_option->btnAddClick();
    EXPECT_EQ(FakePlatform().Prompts.last(), QStringLiteral("Plese input a name [UserProfileInfo2]"));
    EXPECT_EQ(Counter(), 2);
}

TEST_F(ProfilesTest, CancellingThePromptStillStoresUnderTheProposedName)
{
    FakePlatform().InputAnswers.push_back(QString());
    m_option->btnAddClick();
    EXPECT_EQ(Profiles(), QStringList({QStringLiteral("UserProfileInfo1")}));
    FakePlatform().InputAnswers.push_back(QStringLiteral("Podcast voice"));
    m_option->btnAddClick();
    EXPECT_EQ(Profiles(), QStringList({QStringLiteral("UserProfileInfo1"), QStringLiteral("Podcast voice")}));
    EXPECT_EQ(Counter(), 2);
}

TEST_F(ProfilesTest, AddingUnderAnExistingNameOverwritesIt)
{
    FakePlatform().InputAnswers = {QStringLiteral("Voice"), QStringLiteral("Music"), QStringLiteral("Voice")};
    Choose(0, 0, 0, 1, 0, 0);
    m_option->btnAddClick();
    m_option->btnAddClick();
    Choose(1, 1, 1, 8, 1, 3);
    m_option->btnAddClick();
    EXPECT_EQ(Bytes(QStringLiteral("UserProfileInfo.ini")),
              QByteArray("\r\n[Voice]\r\nVoice=1|1|1|8|1|3\r\n\r\n[Music]\r\nMusic=0|0|0|1|0|0\r\n"));
    // The last profile of the file is selected, which is not the one just stored.
    EXPECT_EQ(Box()->currentText(), QStringLiteral("Music"));
}

TEST_F(ProfilesTest, SaveUnderATypedNameAppendsAProfile)
{
    FakePlatform().InputAnswers = {QStringLiteral("First")};
    m_option->btnAddClick();
    Box()->setEditText(QStringLiteral("Typed name"));
    Choose(4, 0, 4, 0, 0, 0);
    m_option->btnSaveClick();
    EXPECT_EQ(Profiles(), QStringList({QStringLiteral("First"), QStringLiteral("Typed name")}));
    EXPECT_EQ(CommonLib->ReadConfigValue(QStringLiteral("UserProfileInfo.ini"), QStringLiteral("Typed name")),
              QStringLiteral("4|0|4|0|0|0"));
    EXPECT_EQ(Box()->currentText(), QStringLiteral("Typed name"));
}

// Names that the file could not give back as they were typed are refused,
// with a message, and nothing is stored.
struct BadNameCase { const char *name; const char *reason; };

class BadProfileNameTest : public ProfilesTest, public ::testing::WithParamInterface<BadNameCase> {};

TEST_P(BadProfileNameTest, IsRefusedAtThePromptAndWhenSaved)
{
    WriteProfiles("[Keep]\r\nKeep=0|0|0|0|0|0\r\n");
    const QByteArray before = Bytes(QStringLiteral("UserProfileInfo.ini"));
    QString name = QString::fromUtf8(GetParam().name);
    if (name.isEmpty())
        name = QStringLiteral("");  // an answer, not a cancel
    FakePlatform().InputAnswers = {name};
    m_option->btnAddClick();
    Box()->setEditText(name);
    m_option->btnSaveClick();
    EXPECT_EQ(Bytes(QStringLiteral("UserProfileInfo.ini")), before);
    ASSERT_EQ(FakePlatform().Messages.size(), 2);
    for (const auto &message : FakePlatform().Messages) {
        EXPECT_TRUE(message.Text.contains(QString::fromUtf8(GetParam().reason))) << message.Text.toStdString();
        EXPECT_EQ(message.Kind, TPlatformLayer::MessageKind::Warning);
    }
}

INSTANTIATE_TEST_SUITE_P(Names, BadProfileNameTest, ::testing::Values(
    BadNameCase{"", "cannot be empty"}, BadNameCase{" lead", "begin or end with a blank"},
    BadNameCase{"trail ", "begin or end with a blank"}, BadNameCase{"a]b", "\"]\""},
    BadNameCase{"Voice=loud", "\"=\""}, BadNameCase{"two\nlines", "line break"},
    BadNameCase{"cr\rhere", "line break"}));

TEST_F(ProfilesTest, TheCounterStopsAtTheLargestNumberAndNeverProposesATakenName)
{
    QFile counter(ConfigFile(QStringLiteral("UserProfileCount.ini")));
    ASSERT_TRUE(counter.open(QIODevice::WriteOnly));
    counter.write("[count]\r\ncount=2147483646\r\n");
    counter.close();
    WriteProfiles("[UserProfileInfo2147483647]\r\nUserProfileInfo2147483647=1|1|1|1|1|1\r\n");
    m_option->btnAddClick();  // the prompt cancelled: the proposed name is used
    m_option->btnAddClick();
    EXPECT_EQ(Counter(), 2147483647);
    EXPECT_EQ(Profiles(), QStringList({QStringLiteral("UserProfileInfo2147483647"),
                                       QStringLiteral("UserProfileInfo2147483647_1"),
                                       QStringLiteral("UserProfileInfo2147483647_2")}));
    EXPECT_EQ(CommonLib->ReadConfigValue(QStringLiteral("UserProfileInfo.ini"), QStringLiteral("UserProfileInfo2147483647")),
              QStringLiteral("1|1|1|1|1|1"));
}

TEST_F(ProfilesTest, AProfileFileCutAtANulIsKeptBesideItAndLogged)
{
    const QByteArray original("[One]\r\nOne=1|1|1|1|1|1\r\n\0[Two]\r\nTwo=2|2|2|2|2|2\r\n", 49);
    WriteProfiles(original);
    FakePlatform().InputAnswers = {QStringLiteral("Three")};
    m_option->btnAddClick();
    EXPECT_EQ(Profiles(), QStringList({QStringLiteral("One"), QStringLiteral("Three")}));
    EXPECT_EQ(Bytes(QStringLiteral("UserProfileInfo.ini.bak")), original);
    EXPECT_EQ(LogMessages(), QStringList({QStringLiteral("Settings file ") + ConfigFile(QStringLiteral("UserProfileInfo.ini"))
                                          + QStringLiteral(" could not be read whole; its original is kept as ")
                                          + ConfigFile(QStringLiteral("UserProfileInfo.ini.bak"))}));
}

TEST_F(ProfilesTest, AProposalSkipsNamesThatAreTaken)
{
    WriteProfiles("[userprofileinfo1]\r\nuserprofileinfo1=1|1|1|1|1|1\r\n");
    m_option->btnAddClick();
    EXPECT_EQ(FakePlatform().Prompts, QStringList({QStringLiteral("Plese input a name [UserProfileInfo2]")}));
    EXPECT_EQ(Counter(), 2);
    EXPECT_EQ(CommonLib->ReadConfigValue(QStringLiteral("UserProfileInfo.ini"), QStringLiteral("userprofileinfo1")),
              QStringLiteral("1|1|1|1|1|1"));
}

TEST_F(ProfilesTest, DeleteWithNoItemsDoesNothing)
{
    WriteProfiles("[Keep]\r\nKeep=0|0|0|0|0|0\r\n");
    Box()->setEditText(QStringLiteral("Keep"));
    ASSERT_EQ(Box()->count(), 0);
    CustomProc->DeleteCustomProfile();
    EXPECT_EQ(Profiles(), QStringList({QStringLiteral("Keep")}));
}

TEST_F(ProfilesTest, DeletingTheOnlyProfileLeavesTheBoxEmpty)
{
    m_option->btnAddClick();
    m_option->btnDelClick();
    EXPECT_EQ(Box()->count(), 0);
    EXPECT_TRUE(Box()->currentText().isEmpty());
    // The blank line that stood before the section takes its place.
    EXPECT_EQ(Bytes(QStringLiteral("UserProfileInfo.ini")), QByteArray("\r\n\r\n"));
}

TEST_F(ProfilesTest, StoredValuesWithoutSixFieldsApplyNothing)
{
    WriteProfiles("[Five]\r\nFive=0|0|0|0|0\r\n[Seven]\r\nSeven=0|0|0|0|0|0|0\r\n[Gaps]\r\nGaps=||||1|2\r\n");
    m_option->show();
    const QString before = Choices();
    for (int i = 0; i < 2; ++i) {
        UserSelects(Box(), i);
        EXPECT_EQ(Choices(), before) << i;
    }
    UserSelects(Box(), 2);
    EXPECT_EQ(m_option->cbbAudioChannels->currentIndex(), 1);
}

TEST_F(ProfilesTest, ANonIntegerFieldReachesTheErrorBoxNamingTheValue)
{
    WriteProfiles("[Bad]\r\nBad=1|x7|0|0|0|0\r\n");
    m_option->show();
    RunReportingErrors([&] { UserSelects(Box(), 0); });
    ASSERT_EQ(FakePlatform().Messages.size(), 1);
    EXPECT_TRUE(FakePlatform().Messages[0].Text.contains(QStringLiteral("x7")));
    EXPECT_EQ(FakePlatform().Messages[0].Kind, TPlatformLayer::MessageKind::Error);
    EXPECT_EQ(FakePlatform().Messages[0].Caption, QStringLiteral("Sonabrix"));
    EXPECT_EQ(m_option->cbbVideoSize->currentIndex(), 1);  // set before the bad field
}

TEST_F(ProfilesTest, AMissingConfigFolderReachesTheErrorBoxNamingTheFile)
{
    QDir(AppFolder() + QStringLiteral("Config")).removeRecursively();
    RunReportingErrors([&] { m_option->btnAddClick(); });
    ASSERT_EQ(FakePlatform().Messages.size(), 1);
    EXPECT_TRUE(FakePlatform().Messages[0].Text.contains(QStringLiteral("UserProfileCount.ini")))
        << FakePlatform().Messages[0].Text.toStdString();
    // The program goes on: the dialog still works once the folder is back.
    QDir().mkpath(AppFolder() + QStringLiteral("Config"));
    m_option->btnAddClick();
    EXPECT_EQ(Profiles().size(), 1);
}

TEST_F(ProfilesTest, ErrorsEscapingAnEventHandlerAreShownAndTheProgramGoesOn)
{
    QDir(AppFolder() + QStringLiteral("Config")).removeRecursively();
    m_option->show();
    Box()->setEditText(QStringLiteral("Voice"));
    // A real click goes through the application's event handling.
    const QPoint centre = m_option->btnSave->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, m_option->btnSave->mapToGlobal(centre), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, m_option->btnSave->mapToGlobal(centre), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(m_option->btnSave, &press);
    QApplication::sendEvent(m_option->btnSave, &release);
    ASSERT_EQ(FakePlatform().Messages.size(), 1);
    EXPECT_TRUE(FakePlatform().Messages[0].Text.contains(QStringLiteral("UserProfileInfo.ini")));
}

// --- Custom profiles in the main window and the command line ------------------------

TEST_F(ProfilesTest, CustomProfilesFollowTheQualityLevelsAndLeaveTheEnabledStateAlone)
{
    WriteProfiles("[Voice]\r\nVoice=0|0|0|1|0|0\r\n[Music]\r\nMusic=2|1|3|8|1|3\r\n");
    m_main->cbbProfile->clear();
    CustomProc->FillProfileCombo(m_main->cbbProfile);
    ASSERT_EQ(m_main->cbbProfile->count(), 7);
    EXPECT_EQ(m_main->cbbProfile->itemText(6), QStringLiteral("Music"));
    EXPECT_EQ(m_main->cbbProfile->currentText(), QStringLiteral("Normal Quality"));

    UserSelects(m_main->cbbOutputFiletype, 2);  // MP3
    m_option->show();  // fills the dialog's profile list
    m_option->hide();
    UserSelects(m_main->cbbProfile, 6);
    EXPECT_EQ(Choices(), QStringLiteral("2|1|3|8|1|3"));
    EXPECT_EQ(Box()->currentText(), QStringLiteral("Music"));
    UserSelects(m_main->cbbOutputFiletype, 0);  // AMR keeps the custom profile and its state
    EXPECT_TRUE(m_main->cbbProfile->isEnabled());
    EXPECT_TRUE(m_main->btnOptions->isEnabled());
    EXPECT_EQ(Choices(), QStringLiteral("2|1|3|8|1|3"));
}

TEST_F(ProfilesTest, AProfileChosenAfterAnotherWasDeletedAppliesItselfOrNothing)
{
    WriteProfiles("[Voice]\r\nVoice=0|0|0|1|0|0\r\n[Music]\r\nMusic=2|1|3|8|1|3\r\n");
    Restart();
    UserSelects(m_main->cbbOutputFiletype, QStringLiteral("MP3 Files (*.mp3)"));
    // Voice deleted in the dialog, which is then cancelled: the main list
    // still offers it.
    m_option->show();
    Box()->setCurrentIndex(0);
    CustomProc->DeleteCustomProfile();
    m_option->hide();
    ASSERT_EQ(m_main->cbbProfile->itemText(5), QStringLiteral("Voice"));
    ASSERT_EQ(Profiles(), QStringList({QStringLiteral("Music")}));

    UserSelects(m_main->cbbProfile, QStringLiteral("Music"));
    EXPECT_EQ(Box()->currentText(), QStringLiteral("Music"));
    EXPECT_EQ(Choices(), QStringLiteral("2|1|3|8|1|3"));

    Choose(0, 0, 0, 0, 0, 0);
    UserSelects(m_main->cbbProfile, QStringLiteral("Voice"));
    EXPECT_EQ(Choices(), QStringLiteral("0|0|0|0|0|0"));
}

struct StartUpProfileCase { int k; const char *values; const char *arguments; };

class StartUpProfileTest : public ProfilesTest, public ::testing::WithParamInterface<StartUpProfileCase> {};

TEST_P(StartUpProfileTest, ACustomProfileChosenBeforeTheDialogWasEverShownAppliesAtOnce)
{
    WriteProfiles("[Voice]\r\nVoice=0|0|0|1|0|0\r\n[Music]\r\nMusic=2|1|3|8|1|3\r\n");
    Restart();
    EXPECT_EQ(Box()->count(), 2);
    EXPECT_EQ(Box()->currentIndex(), -1);
    UserSelects(m_main->cbbOutputFiletype, QStringLiteral("MP3 Files (*.mp3)"));
    UserSelects(m_main->cbbProfile, 5 + GetParam().k);
    EXPECT_EQ(Choices(), QString::fromUtf8(GetParam().values));
    AddRow(QStringLiteral("/clips/a.avi"), QStringLiteral("00:00:05"));
    const QString line = CustomProc->BuildCommandLine(QStringLiteral("/clips/a.avi"));
    EXPECT_TRUE(line.contains(QString::fromUtf8(GetParam().arguments))) << line.toStdString();
    EXPECT_EQ(Box()->currentText(), Profiles()[GetParam().k]);
}

INSTANTIATE_TEST_SUITE_P(StoredProfiles, StartUpProfileTest, ::testing::Values(
    StartUpProfileCase{0, "0|0|0|1|0|0", " -ab 32 -vol 200 -ac 1 -ar 22050 "},
    StartUpProfileCase{1, "2|1|3|8|1|3", " -ab 224 -vol 200 -ac 2 -ar 48000 "}));

TEST_F(ProfilesTest, TheCommandLineUsesTheDialogsCustomProfile)
{
    WriteProfiles("[Music]\r\nMusic=1|1|2|7|1|3\r\n");
    UserSelects(m_main->cbbOutputFiletype, 2);
    m_option->show();
    Box()->setCurrentIndex(0);
    m_option->cbbAudioBitrate->setCurrentIndex(0);
    AddRow(QStringLiteral("/clips/a.avi"), QStringLiteral("00:00:05"));
    const QString line = CustomProc->BuildCommandLine(QStringLiteral("/clips/a.avi"));
    EXPECT_TRUE(line.contains(QStringLiteral("-ab 192 -vol 200 -ac 2 -ar 48000"))) << line.toStdString();
}

// --- The options dialog ------------------------------------------------------------

TEST_F(ProfilesTest, DialogLayoutAndCaptions)
{
    m_option->show();
    EXPECT_EQ(m_option->windowTitle(), QStringLiteral("Options"));
    EXPECT_EQ(m_option->size(), QSize(476, 198));
    EXPECT_EQ(m_option->grpAdvOptions->title(), QStringLiteral("Advanced Options"));
    EXPECT_EQ(m_option->grpAdvOptions->geometry(), QRect(12, 48, 449, 89));
    EXPECT_FALSE(m_option->GroupBox1->isVisible());
    EXPECT_EQ(m_option->btnApply->text(), QStringLiteral("OK"));
    EXPECT_TRUE(m_option->btnApply->isDefault());
    EXPECT_EQ(m_option->btnCancel->geometry(), QRect(384, 152, 73, 25));
    EXPECT_FALSE(m_option->isModal());
}

TEST_F(ProfilesTest, EveryAudioChoiceReadsInFullInItsClosedBox)
{
    m_option->show();
    const QList<QPair<QLabel *, QComboBox *>> rows = {
        {m_option->lblAudioBitrate, m_option->cbbAudioBitrate}, {m_option->lblSample, m_option->cbbAudioSample},
        {m_option->lblVolume, m_option->cbbAudioVolumeGain}, {m_option->lblChannels, m_option->cbbAudioChannels}};
    for (const auto &[label, box] : rows) {
        QStyleOptionComboBox option;
        option.initFrom(box);
        option.editable = box->isEditable();
        option.frame = box->hasFrame();
        const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
        for (int i = 0; i < box->count(); ++i)
            EXPECT_GE(field.width(), box->fontMetrics().horizontalAdvance(box->itemText(i)))
                << box->itemText(i).toStdString();
        EXPECT_LE(label->geometry().right(), box->x()) << label->text().toStdString();
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
        EXPECT_LE(box->geometry().right(), m_option->grpAdvOptions->width()) << label->text().toStdString();
    }
}

TEST_F(ProfilesTest, CancelRestoresTheChoicesAndOkKeepsThem)
{
    UserSelects(m_main->cbbOutputFiletype, 2);
    m_option->show();
    m_option->cbbAudioBitrate->setCurrentText(QStringLiteral("32"));
    m_option->btnCancelClick();
    EXPECT_EQ(m_option->cbbAudioBitrate->currentText(), QStringLiteral("128"));
    EXPECT_FALSE(m_option->isVisible());

    m_option->show();
    m_option->cbbAudioBitrate->setCurrentText(QStringLiteral("32"));
    UserSelects(m_main->cbbProfile, 0);
    m_option->btnApplyClick();
    EXPECT_EQ(m_option->cbbAudioBitrate->currentText(), QStringLiteral("48"));
    EXPECT_EQ(m_main->cbbProfile->currentText(), QStringLiteral("Normal Quality"));
    // Selecting "Normal Quality" from code re-applies nothing.
    EXPECT_EQ(m_option->cbbAudioBitrate->currentText(), QStringLiteral("48"));
}

TEST_F(ProfilesTest, CancelUndoesAFrameRateSetByACustomProfile)
{
    WriteProfiles("[Slow]\r\nSlow=0|0|0|0|0|0\r\n");
    m_option->show();
    EXPECT_EQ(m_option->cbbFramerate->currentText(), QStringLiteral("15"));
    UserSelects(Box(), 0);
    EXPECT_EQ(m_option->cbbFramerate->currentText(), QStringLiteral("11"));
    m_option->btnCancelClick();
    EXPECT_EQ(m_option->cbbFramerate->currentText(), QStringLiteral("15"));
    EXPECT_EQ(Box()->currentIndex(), -1);
}

TEST_F(ProfilesTest, CancelAfterAddKeepsTheProfileWhichTheMainListShowsAfterOk)
{
    m_option->show();
    m_option->btnAddClick();
    m_option->btnCancelClick();
    EXPECT_EQ(Profiles(), QStringList({QStringLiteral("UserProfileInfo1")}));
    EXPECT_EQ(m_main->cbbProfile->count(), 5);
    m_option->show();
    m_option->btnApplyClick();
    EXPECT_EQ(m_main->cbbProfile->count(), 6);
}

TEST_F(ProfilesTest, FirstShowSelectsTheMainWindowsCustomProfile)
{
    WriteProfiles("[Voice]\r\nVoice=0|0|0|1|0|0\r\n[Music]\r\nMusic=2|1|3|8|1|3\r\n");
    m_main->cbbProfile->clear();
    CustomProc->FillProfileCombo(m_main->cbbProfile);
    m_main->cbbProfile->setCurrentIndex(6);
    m_option->show();
    EXPECT_EQ(Box()->currentText(), QStringLiteral("Music"));
    m_option->hide();
    Box()->setEditText(QString());
    m_main->cbbProfile->setCurrentIndex(2);
    m_option->show();
    EXPECT_EQ(Box()->currentIndex(), -1);
    EXPECT_EQ(Box()->count(), 2);
}

TEST_F(ProfilesTest, SelectingTheLastItemFromCodeAppliesNoProfile)
{
    WriteProfiles("[Voice]\r\nVoice=0|0|0|1|0|0\r\n[Music]\r\nMusic=2|1|3|8|1|3\r\n");
    m_option->show();
    Box()->setEditText(QStringLiteral("Voice"));
    Choose(4, 0, 4, 2, 0, 1);
    m_option->btnSaveClick();
    EXPECT_EQ(Box()->currentText(), QStringLiteral("Music"));
    EXPECT_EQ(Choices(), QStringLiteral("4|0|4|2|0|1"));
}

TEST_F(ProfilesTest, ClosingWithTheTitleBarHidesWithoutRestoring)
{
    m_option->show();
    m_option->cbbAudioBitrate->setCurrentIndex(0);
    m_option->close();
    EXPECT_FALSE(m_option->isVisible());
    EXPECT_EQ(m_option->cbbAudioBitrate->currentIndex(), 0);
}

// --- The remembered add-files folder ------------------------------------------------

TEST_F(ProfilesTest, TheAddFilesFolderIsRememberedOnlyWhenAFileWasChosen)
{
    EXPECT_EQ(CustomProc->ReadInitDir(), QDir::homePath() + QLatin1Char('/'));
    m_main->btnOpenFileClick();  // cancelled before any choice
    EXPECT_FALSE(QFile::exists(ConfigFile(QStringLiteral("UserSettings.ini"))));
    EXPECT_EQ(FakePlatform().OpenDialogFolders.last(), QDir::homePath() + QLatin1Char('/'));

    FakePlatform().OpenFileAnswers.push_back({QStringLiteral("/media/clips/a.avi"), QStringLiteral("/other/b.avi")});
    m_main->btnOpenFileClick();
    EXPECT_EQ(CustomProc->ReadInitDir(), QStringLiteral("/media/clips/"));
    EXPECT_EQ(Bytes(QStringLiteral("UserSettings.ini")), QByteArray("\r\n[USRInfo]\r\nInitDir=/media/clips/\r\n"));

    QFile::remove(ConfigFile(QStringLiteral("UserSettings.ini")));
    m_main->btnOpenFileClick();  // cancelled after an earlier choice: written again
    EXPECT_EQ(CustomProc->ReadInitDir(), QStringLiteral("/media/clips/"));
    EXPECT_EQ(FakePlatform().OpenDialogFolders.last(), QDir::homePath() + QLatin1Char('/'));
}

} // namespace
