#include "FlashForm.h"

#include <limits>

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLibrary>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include "AppErrors.h"
#include "CompanionApi.h"
#include "FuncObjects.h"
#include "PlatformLayer.h"
#include "Simple.h"

RecProductInfo ProductInfo;

namespace {

TFrmFlashForm::TClock &SplashClock()
{
    static TFrmFlashForm::TClock clock = TFrmFlashForm::TClock::Timers;
    return clock;
}

// The string table's entries are read into a buffer of this size, so each
// holds at most 253 bytes.
constexpr int StringBufferSize = 254;

QString ReadString(SonabrixLoadStringFn loadString, int id)
{
    if (!loadString)
        return {};
    char buffer[StringBufferSize] = {};
    const int length = loadString(id, buffer, StringBufferSize);
    return QString::fromUtf8(buffer, qBound(0, length, StringBufferSize - 1));
}

} // namespace

void TFrmFlashForm::SetClock(TClock clock)
{
    SplashClock() = clock;
}

TFrmFlashForm::TFrmFlashForm(QWidget *owner, QLabel *titleLabel)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
    , m_titleLabel(titleLabel)
{
    setObjectName(QStringLiteral("FrmFlashForm"));
    setModal(true);
    ImgFlash = new QLabel(this);
    ImgFlash->setObjectName(QStringLiteral("ImgFlash"));
    ImgFlash->move(0, 0);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(250);
    Timer1->setSingleShot(true);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, ReportingErrors(this, &TFrmFlashForm::Timer1Timer));
    connect(Timer2, &QTimer::timeout, this, ReportingErrors(this, &TFrmFlashForm::Timer2Timer));
}

TFrmFlashForm::~TFrmFlashForm() = default;

void TFrmFlashForm::SetPicture(const QPixmap &picture)
{
    ImgFlash->setPixmap(picture);
    ImgFlash->setGeometry(0, 0, picture.width(), picture.height());
    setFixedSize(picture.size());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TFrmFlashForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    TickCount = 0;
    if (SplashClock() == TClock::Timers) {
        Timer1->start();
        Timer2->start();
    } else {
        QTimer::singleShot(0, this, [this] {
            RunReportingErrors([this] {
                Platform().Pause(Timer1->interval());
                Timer1Timer();
            });
        });
    }
}

void TFrmFlashForm::Timer2Timer()
{
    ++TickCount;
}

void TFrmFlashForm::Timer1Timer()
{
    Timer1->stop();
    // Nothing else can close the splash: it closes even when reading fails.
    struct CloseAtEnd
    {
        TFrmFlashForm *Form;
        ~CloseAtEnd()
        {
            Form->Timer2->stop();
            Form->accept();
        }
    } closeAtEnd{this};
    LoadProductInfo(m_titleLabel);
    while (TickCount < 2) {
        if (SplashClock() == TClock::Timers) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        } else {
            Platform().Pause(Timer2->interval());
            Timer2Timer();
        }
    }
}

QString CompanionPath(const QString &fileName)
{
    return AppFunc->GetAppPath() + fileName;
}

bool CheckRequiredFiles()
{
    bool allPresent = true;
    for (const QString &name : {QStringLiteral("Form.dll"), QStringLiteral("Res.dll")}) {
        if (!QFileInfo(CompanionPath(name)).isFile()) {
            const QString message = QLatin1Char('\'') + name + QStringLiteral("' is not found. Please reinstall this program.");
            // Also in the log: a program started from a desktop menu has no
            // terminal, and the box is gone once the program has ended.
            try {
                AppFunc->WriteLog(message);
            } catch (const EFileError &) {
                // A log that cannot be written must not hide the message itself.
            }
            Platform().MessageBox(ApplicationTitle(), message, TPlatformLayer::MessageKind::Information);
            allPresent = false;
        }
    }
    if (!allPresent)
        Platform().EndProgram();
    return allPresent;
}

void ShowSplash(QWidget *owner, QLabel *titleLabel)
{
    TFrmFlashForm splash(owner, titleLabel);
    QLibrary library(CompanionPath(QStringLiteral("Res.dll")));
    QPixmap picture;
    if (library.load()) {
        const auto findResource =
            reinterpret_cast<SonabrixFindResourceFn>(library.resolve("SonabrixFindResource"));
        size_t size = 0;
        const unsigned char *bytes = findResource ? findResource("jpeg", "ImgFlash", &size) : nullptr;
        if (bytes && size > 0 && size <= static_cast<size_t>(std::numeric_limits<int>::max()))
            picture.loadFromData(bytes, static_cast<uint>(size), "JPEG");
    }
    if (picture.isNull()) {
        // A splash without a picture would be an invisible modal window; the
        // product information is still read so the title and links work.
        LoadProductInfo(titleLabel);
    } else {
        splash.SetPicture(picture);
        splash.exec();
    }
    if (library.isLoaded())
        library.unload();
}

void LoadProductInfo(QLabel *titleLabel)
{
    QCoreApplication::processEvents();
    RecProductInfo info;
    QLibrary library(CompanionPath(QStringLiteral("Res.dll")));
    if (library.load()) {
        const auto loadString = reinterpret_cast<SonabrixLoadStringFn>(library.resolve("SonabrixLoadString"));
        info.MakerName = ReadString(loadString, SonabrixStringMakerName);
        info.ProductName = ReadString(loadString, SonabrixStringProductName);
        info.Copyright = ReadString(loadString, SonabrixStringCopyright);
        info.TitleSuffix = ReadString(loadString, SonabrixStringTitleSuffix);
        info.HomePage = ReadString(loadString, SonabrixStringHomePage);
        info.SupportEmail = ReadString(loadString, SonabrixStringSupportEmail);
        library.unload();
    }
    info.ProgramFolder = AppFunc->GetAppPath();
    ProductInfo = info;
    if (titleLabel)
        titleLabel->setText(ProductInfo.ProductName + QLatin1Char(' ') + ProductInfo.TitleSuffix);
}

QString HelpFilePath()
{
    // Before the splash has run the folder is not known yet; the program
    // folder is where it will be.
    const QString folder = ProductInfo.ProgramFolder.isEmpty() ? AppFunc->GetAppPath() : ProductInfo.ProgramFolder;
    return folder + QStringLiteral("Help.chm");
}

void OpenHomePage()
{
    Platform().OpenUrl(ProductInfo.HomePage);
}

void SendSupportEmail()
{
    Platform().OpenUrl(QStringLiteral("mailto:") + ProductInfo.SupportEmail);
}

void OpenHelpFile()
{
    // A local path becomes a file URL so that blanks, "#" and "%" in the
    // folder name survive the trip to the desktop's handler.
    Platform().OpenUrl(QUrl::fromLocalFile(HelpFilePath()).toString(QUrl::FullyEncoded));
}

void ShowAboutBox()
{
    QLibrary library(CompanionPath(QStringLiteral("Form.dll")));
    if (!library.load())
        return;
    if (const auto showAboutForm = reinterpret_cast<SonabrixShowAboutFormFn>(library.resolve("ShowAboutForm"))) {
        const QByteArray maker = ProductInfo.MakerName.toUtf8();
        const QByteArray product = ProductInfo.ProductName.toUtf8();
        const QByteArray copyright = ProductInfo.Copyright.toUtf8();
        const QByteArray suffix = ProductInfo.TitleSuffix.toUtf8();
        const QByteArray homePage = ProductInfo.HomePage.toUtf8();
        const QByteArray email = ProductInfo.SupportEmail.toUtf8();
        const QByteArray folder = ProductInfo.ProgramFolder.toUtf8();
        const SonabrixProductInfo info{sizeof(SonabrixProductInfo), maker.constData(),    product.constData(),
                                       copyright.constData(),       suffix.constData(),   homePage.constData(),
                                       email.constData(),           folder.constData()};
        showAboutForm(QApplication::instance(), &info);
    }
    library.unload();
}
