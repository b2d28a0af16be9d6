// Start-up: the companion file check, the splash and the product information,
// the help links and the About box, and the compiled help file.
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLibrary>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

#include "CompanionApi.h"
#include "FakePlatform.h"
#include "FlashForm.h"
#include "FuncObjects.h"
#include "TestEnvironment.h"

namespace {

QString BuiltCompanion(const QString &name)
{
    return BuiltProgramFolder() + QLatin1Char('/') + name;
}

QString StubLibrary(const QString &name)
{
    return QStringLiteral(STUB_DIR "/") + name;
}

// Whether a library file is mapped into this process.
bool IsMapped(const QString &path)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    return QString::fromUtf8(maps.readAll()).contains(QFileInfo(path).canonicalFilePath());
}

QString MissingMessage(const QString &name)
{
    return QLatin1Char('\'') + name + QStringLiteral("' is not found. Please reinstall this program.");
}

class StartupTest : public ProgramFolderTest
{
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        ProductInfo = RecProductInfo();
        TFrmFlashForm::SetClock(TFrmFlashForm::TClock::PlatformPause);
        m_savedCurrent = QDir::currentPath();
    }
    void TearDown() override
    {
        QDir::setCurrent(m_savedCurrent);
        ProgramFolderTest::TearDown();
    }

    void Install(const QString &from, const QString &name)
    {
        ASSERT_TRUE(QFile::copy(from, AppFolder() + name)) << from.toStdString();
    }
    void InstallRealCompanions()
    {
        Install(BuiltCompanion(QStringLiteral("Res.dll")), QStringLiteral("Res.dll"));
        Install(BuiltCompanion(QStringLiteral("Form.dll")), QStringLiteral("Form.dll"));
    }

    QString m_savedCurrent;
};

// --- The companion file check -------------------------------------------------

struct CheckCase
{
    const char *Name;
    bool FormInProgramFolder;
    bool ResInProgramFolder;
    bool BothInCurrentDirectory;
    QStringList ExpectedMessages;
};

class CheckRequiredFilesTest : public StartupTest, public ::testing::WithParamInterface<CheckCase>
{
};

TEST_P(CheckRequiredFilesTest, ReportsEachMissingFileFromTheProgramFolderAndEnds)
{
    const CheckCase &c = GetParam();
    if (c.FormInProgramFolder)
        Install(BuiltCompanion(QStringLiteral("Form.dll")), QStringLiteral("Form.dll"));
    if (c.ResInProgramFolder)
        Install(BuiltCompanion(QStringLiteral("Res.dll")), QStringLiteral("Res.dll"));
    // The current directory is somewhere else, as from a launcher; it may even
    // hold files of the same names, which must not count.
    const QString elsewhere = TempPath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    if (c.BothInCurrentDirectory) {
        for (const QString &name : {QStringLiteral("Form.dll"), QStringLiteral("Res.dll")})
            QFile::copy(BuiltCompanion(name), elsewhere + QLatin1Char('/') + name);
    }
    ASSERT_TRUE(QDir::setCurrent(elsewhere));

    const bool present = CheckRequiredFiles();

    EXPECT_EQ(FakePlatform().MessageTexts(), c.ExpectedMessages);
    for (const auto &message : FakePlatform().Messages) {
        EXPECT_EQ(message.Caption, QStringLiteral("Sonabrix"));
        EXPECT_EQ(message.Kind, TPlatformLayer::MessageKind::Information);
    }
    EXPECT_EQ(LogMessages(), c.ExpectedMessages);
    EXPECT_EQ(present, c.ExpectedMessages.isEmpty());
    EXPECT_EQ(FakePlatform().ProgramEnds, c.ExpectedMessages.isEmpty() ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Companions, CheckRequiredFilesTest,
    ::testing::Values(
        CheckCase{"BothMissing", false, false, false,
                  {MissingMessage(QStringLiteral("Form.dll")), MissingMessage(QStringLiteral("Res.dll"))}},
        CheckCase{"FormMissing", false, true, false, {MissingMessage(QStringLiteral("Form.dll"))}},
        CheckCase{"ResMissing", true, false, false, {MissingMessage(QStringLiteral("Res.dll"))}},
        CheckCase{"BothPresent", true, true, false, {}},
        CheckCase{"OnlyInCurrentDirectory", false, false, true,
                  {MissingMessage(QStringLiteral("Form.dll")), MissingMessage(QStringLiteral("Res.dll"))}}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST_F(StartupTest, AFolderNamedLikeACompanionDoesNotCount)
{
    Install(BuiltCompanion(QStringLiteral("Res.dll")), QStringLiteral("Res.dll"));
    ASSERT_TRUE(QDir(AppFolder()).mkdir(QStringLiteral("Form.dll")));
    EXPECT_FALSE(CheckRequiredFiles());
    EXPECT_EQ(FakePlatform().MessageTexts(), QStringList{MissingMessage(QStringLiteral("Form.dll"))});
}

// --- Res.dll ------------------------------------------------------------------

TEST_F(StartupTest, ResourceLibraryHoldsTheSplashPictureAsJpeg)
{
    QLibrary library(BuiltCompanion(QStringLiteral("Res.dll")));
    ASSERT_TRUE(library.load()) << library.errorString().toStdString();
    const auto find = reinterpret_cast<SonabrixFindResourceFn>(library.resolve("SonabrixFindResource"));
    ASSERT_NE(find, nullptr);
    size_t size = 0;
    const unsigned char *bytes = find("jpeg", "ImgFlash", &size);
    ASSERT_NE(bytes, nullptr);
    ASSERT_GT(size, 1000u);
    EXPECT_EQ(bytes[0], 0xFF);  // JPEG start-of-image marker
    EXPECT_EQ(bytes[1], 0xD8);
    QImage picture;
    ASSERT_TRUE(picture.loadFromData(bytes, static_cast<int>(size), "JPEG"));
    EXPECT_GE(picture.width(), 300);
    EXPECT_GE(picture.height(), 200);
    EXPECT_EQ(find("jpeg", "Other", &size), nullptr);
    EXPECT_EQ(find("png", "ImgFlash", &size), nullptr);
    library.unload();
}

struct StringCase
{
    int Id;
    int BufferSize;
    const char *Expected;
};

TEST_F(StartupTest, ResourceLibraryCopiesStringEntriesIntoTheCallersBuffer)
{
    QLibrary library(BuiltCompanion(QStringLiteral("Res.dll")));
    ASSERT_TRUE(library.load());
    const auto loadString = reinterpret_cast<SonabrixLoadStringFn>(library.resolve("SonabrixLoadString"));
    ASSERT_NE(loadString, nullptr);
    const StringCase cases[] = {
        {SonabrixStringMakerName, 254, "Vexlo Soft"},
        {SonabrixStringProductName, 254, "Sonabrix"},
        {SonabrixStringTitleSuffix, 254, "Video to Audio Converter"},
        {SonabrixStringHomePage, 254, SONABRIX_HOME_PAGE},
        {SonabrixStringSupportEmail, 254, SONABRIX_SUPPORT_EMAIL},
        {SonabrixStringProductName, 5, "Sona"},  // cut to the buffer, terminated
        {6, 254, ""},                            // no such entry
        {-1, 254, ""},
        // "©" is two bytes: a cut inside it keeps the text valid UTF-8.
        {SonabrixStringCopyright, 12, "Copyright "},
    };
    for (const StringCase &c : cases) {
        char buffer[254];
        std::memset(buffer, 'x', sizeof buffer);
        const int length = loadString(c.Id, buffer, c.BufferSize);
        EXPECT_STREQ(buffer, c.Expected) << "entry " << c.Id << ", buffer " << c.BufferSize;
        EXPECT_EQ(length, static_cast<int>(std::strlen(c.Expected)));
    }
    library.unload();
}

// --- Product information and the title ----------------------------------------

TEST_F(StartupTest, ProductInformationComesFromTheResourceLibrary)
{
    Install(BuiltCompanion(QStringLiteral("Res.dll")), QStringLiteral("Res.dll"));
    QLabel title;
    LoadProductInfo(&title);
    EXPECT_EQ(ProductInfo.MakerName, QStringLiteral("Vexlo Soft"));
    EXPECT_EQ(ProductInfo.ProductName, QStringLiteral("Sonabrix"));
    EXPECT_EQ(ProductInfo.TitleSuffix, QStringLiteral("Video to Audio Converter"));
    EXPECT_EQ(ProductInfo.HomePage, QStringLiteral(SONABRIX_HOME_PAGE));
    EXPECT_EQ(ProductInfo.SupportEmail, QStringLiteral(SONABRIX_SUPPORT_EMAIL));
    EXPECT_EQ(ProductInfo.ProgramFolder, AppFolder());
    EXPECT_EQ(title.text(), QStringLiteral("Sonabrix Video to Audio Converter"));
    EXPECT_FALSE(IsMapped(AppFolder() + QStringLiteral("Res.dll")));
}

TEST_F(StartupTest, TitleEndsInTheBlankWhenTheSuffixIsEmptyAndLongEntriesAreCut)
{
    Install(StubLibrary(QStringLiteral("stub_res.dll")), QStringLiteral("Res.dll"));
    QLabel title;
    LoadProductInfo(&title);
    EXPECT_EQ(title.text(), QStringLiteral("Stubbed "));
    EXPECT_EQ(ProductInfo.HomePage, QString(253, QLatin1Char('h')));
}

// --- The splash ----------------------------------------------------------------

TEST_F(StartupTest, SplashReadsTheProductInformationClosesAtTheSecondTickAndUnloadsTheLibrary)
{
    InstallRealCompanions();
    QLabel title;
    bool splashSeen = false;
    QSize splashSize;
    // Looks at the splash while it waits for its ticks.
    QTimer::singleShot(0, [&] {
        if (auto *splash = qobject_cast<TFrmFlashForm *>(QApplication::activeModalWidget())) {
            splashSeen = splash->isVisible();
            splashSize = splash->size();
        }
    });
    ShowSplash(nullptr, &title);

    EXPECT_TRUE(splashSeen);
    EXPECT_EQ(splashSize, QSize(480, 300));
    EXPECT_EQ(title.text(), QStringLiteral("Sonabrix Video to Audio Converter"));
    // Timer1 once, then Timer2 until its second tick.
    EXPECT_EQ(FakePlatform().Pauses, (QList<int>{250, 1000, 1000}));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(IsMapped(AppFolder() + QStringLiteral("Res.dll")));
}

TEST_F(StartupTest, SplashWithoutPictureStillReadsTheProductInformation)
{
    Install(StubLibrary(QStringLiteral("stub_res.dll")), QStringLiteral("Res.dll"));
    QLabel title;
    ShowSplash(nullptr, &title);
    EXPECT_EQ(title.text(), QStringLiteral("Stubbed "));
    EXPECT_FALSE(IsMapped(AppFolder() + QStringLiteral("Res.dll")));
}

// --- Help links ---------------------------------------------------------------------

TEST_F(StartupTest, HelpFileIsInTheProgramFolderWithoutDoubledSeparator)
{
    Install(BuiltCompanion(QStringLiteral("Res.dll")), QStringLiteral("Res.dll"));
    LoadProductInfo(nullptr);
    ASSERT_TRUE(AppFolder().endsWith(QLatin1Char('/')));
    EXPECT_EQ(HelpFilePath(), AppFolder() + QStringLiteral("Help.chm"));
    EXPECT_FALSE(HelpFilePath().contains(QStringLiteral("//")));
}

TEST_F(StartupTest, HelpLinksHandTheLayerTheirAddresses)
{
    // A program folder with characters that a URL must escape.
    QTemporaryDir parent;
    const QString folder = parent.filePath(QStringLiteral("Sonabrix #2 100% ü"));
    ASSERT_TRUE(QDir().mkpath(folder));
    TAppFunc::SetAppPathOverride(folder);
    ASSERT_TRUE(QFile::copy(BuiltCompanion(QStringLiteral("Res.dll")), folder + QStringLiteral("/Res.dll")));
    LoadProductInfo(nullptr);

    const struct
    {
        void (*Action)();
        QString Expected;
    } cases[] = {
        {OpenHomePage, QStringLiteral(SONABRIX_HOME_PAGE)},
        {SendSupportEmail, QStringLiteral("mailto:" SONABRIX_SUPPORT_EMAIL)},
    };
    for (const auto &c : cases) {
        FakePlatform().OpenedUrls.clear();
        c.Action();
        EXPECT_EQ(FakePlatform().OpenedUrls, QStringList{c.Expected});
    }

    FakePlatform().OpenedUrls.clear();
    OpenHelpFile();
    ASSERT_EQ(FakePlatform().OpenedUrls.size(), 1);
    const QUrl help(FakePlatform().OpenedUrls.first(), QUrl::StrictMode);
    EXPECT_TRUE(help.isValid());
    EXPECT_EQ(help.scheme(), QStringLiteral("file"));
    EXPECT_EQ(help.toLocalFile(), folder + QStringLiteral("/Help.chm"));
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
}

// --- The About box --------------------------------------------------------------------

TEST_F(StartupTest, AboutBoxOfALibraryWithoutTheEntryPointDoesNothing)
{
    Install(StubLibrary(QStringLiteral("stub_form.dll")), QStringLiteral("Form.dll"));
    ShowAboutBox();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
    EXPECT_TRUE(FakePlatform().OpenedUrls.isEmpty());
    EXPECT_FALSE(IsMapped(AppFolder() + QStringLiteral("Form.dll")));
}

TEST_F(StartupTest, AboutBoxWithoutTheLibraryDoesNothing)
{
    ShowAboutBox();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
}

TEST_F(StartupTest, AboutBoxShowsTheProductAndTheLicencesAndIsUnloadedAfterwards)
{
    InstallRealCompanions();
    LoadProductInfo(nullptr);
    QStringList texts;
    QString licences;
    // The box is modal; it is read and closed from inside its own loop.
    QTimer::singleShot(0, [&] {
        QWidget *box = QApplication::activeModalWidget();
        if (!box)
            return;
        for (const char *name : {"lblProduct", "lblVersion", "lblMaker", "lblHomePage", "lblEmail"}) {
            const auto *label = box->findChild<QLabel *>(QLatin1String(name));
            texts << (label ? label->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name)));
        }
        if (const auto *browser = box->findChild<QTextBrowser *>(QStringLiteral("txtLicences")))
            licences = browser->toPlainText();
        box->close();
    });
    ShowAboutBox();

    ASSERT_EQ(texts.size(), 5);
    EXPECT_TRUE(texts[0].contains(QStringLiteral("Sonabrix Video to Audio Converter")));
    EXPECT_TRUE(texts[1].contains(QStringLiteral(SONABRIX_VERSION)));
    EXPECT_TRUE(texts[2].contains(QStringLiteral("Vexlo Soft")));
    EXPECT_TRUE(texts[3].contains(QStringLiteral("href=\"") + ProductInfo.HomePage.toHtmlEscaped()));
    EXPECT_TRUE(texts[4].contains(QStringLiteral("href=\"mailto:" SONABRIX_SUPPORT_EMAIL "\"")));
    for (const char *needle : {"Qt 6", "LGPL-3.0", "FFmpeg", "LGPL-2.1+", "GPL-2.0+", "opencore-amr",
                               "Apache License 2.0", "LAME", "libvorbis", "GStreamer"})
        EXPECT_TRUE(licences.contains(QLatin1String(needle))) << needle;
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(IsMapped(AppFolder() + QStringLiteral("Form.dll")));
}

// --- Help.chm ---------------------------------------------------------------------------

TEST(HelpFile, IsAValidChmWhoseContentsNameOnlyPagesItHolds)
{
    QTemporaryDir extracted;
    QString errors;
    ASSERT_EQ(RunProgram(QStringLiteral("extract_chmLib"), {BuiltCompanion(QStringLiteral("Help.chm")), extracted.path()},
                         &errors),
              0)
        << errors.toStdString();
    QStringList pages;
    QDirIterator it(extracted.path(), {QStringLiteral("*.html")}, QDir::Files);
    while (it.hasNext())
        pages << QFileInfo(it.next()).fileName();
    EXPECT_GE(pages.size(), 10);
    EXPECT_TRUE(pages.contains(QStringLiteral("index.html")));

    QFile contents(extracted.filePath(QStringLiteral("Help.hhc")));
    ASSERT_TRUE(contents.open(QIODevice::ReadOnly));
    const QString toc = QString::fromUtf8(contents.readAll());
    const QRegularExpression local(QStringLiteral("name=\"Local\"\\s+value=\"([^\"]+)\""),
                                   QRegularExpression::CaseInsensitiveOption);
    int named = 0;
    for (auto match = local.globalMatch(toc); match.hasNext(); ++named) {
        const QString page = match.next().captured(1);
        EXPECT_TRUE(QFileInfo::exists(extracted.filePath(page))) << page.toStdString();
    }
    EXPECT_GE(named, 10);
    // Every page is reachable from the table of contents.
    EXPECT_EQ(named, pages.size());
    EXPECT_TRUE(QFileInfo::exists(extracted.filePath(QStringLiteral("Help.hhk"))));
}

} // namespace
