#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QShowEvent;
class QTimer;

// The product information, read from "Res.dll" while the splash shows; empty
// until then. It lives for the whole run.
struct RecProductInfo
{
    QString MakerName;
    QString ProductName;
    QString Copyright;      // string entry 2; only the About box shows it
    QString TitleSuffix;
    QString HomePage;
    QString SupportEmail;
    QString ProgramFolder;  // with a trailing "/"
};

extern RecProductInfo ProductInfo;

// The splash window: the product picture, shown modally while the product
// information is read, for about two seconds.
class TFrmFlashForm final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFrmFlashForm)

public:
    // What paces the splash's two timers. The running program uses real
    // timers, so the picture keeps painting while it waits; tests let the
    // platform layer's pause stand for each wait, which the test layer
    // records and returns from at once.
    enum class TClock { Timers, PlatformPause };
    static void SetClock(TClock clock);

    // titleLabel receives the product title once it is read; it may be null.
    TFrmFlashForm(QWidget *owner, QLabel *titleLabel);
    ~TFrmFlashForm() override;

    QLabel *ImgFlash = nullptr;
    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;

    void Timer1Timer();
    void Timer2Timer();

    // Gives the window the picture's size and centres it on the desktop.
    void SetPicture(const QPixmap &picture);

public slots:
    // The splash closes itself; Escape does not close it.
    void reject() override {}

protected:
    void showEvent(QShowEvent *event) override;

private:
    int TickCount = 0;
    QLabel *m_titleLabel = nullptr;
};

// The path of a companion file: always in the program folder, never in the
// current directory, which a launcher or terminal may have set to anything.
QString CompanionPath(const QString &fileName);

// Reports each missing companion file ("Form.dll", then "Res.dll") in its own
// message and then asks the platform layer to end the program; true when
// both are present.
bool CheckRequiredFiles();

// Shows the splash modally and returns when it has closed; on the way the
// product information is read and titleLabel set.
void ShowSplash(QWidget *owner, QLabel *titleLabel);

// Reads the product information from "Res.dll" into ProductInfo and sets
// titleLabel (when given) to the product name, a blank and the title suffix.
void LoadProductInfo(QLabel *titleLabel);

// The help file: the program folder followed by "Help.chm".
QString HelpFilePath();

void OpenHomePage();
void SendSupportEmail();
void OpenHelpFile();
// Shows the About box of "Form.dll"; a missing library or entry point does nothing.
void ShowAboutBox();
