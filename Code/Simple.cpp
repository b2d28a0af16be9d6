#include "Simple.h"

#include <exception>

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "AppErrors.h"
#include "PlatformLayer.h"
#include "Unit_Convert.h"
#include "Unit_Converting.h"
#include "Unit_Option.h"

QString ApplicationTitle()
{
    return QStringLiteral("Sonabrix");
}

void RunReportingErrors(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const std::exception &error) {
        Platform().MessageBox(ApplicationTitle(), QString::fromStdString(error.what()),
                              TPlatformLayer::MessageKind::Error);
    }
}

TApplication::TApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(ApplicationTitle());
    setApplicationDisplayName(ApplicationTitle());
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    bool handled = false;
    RunReportingErrors([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

QStringList StartupFiles(const QStringList &arguments)
{
    QStringList files;
    for (const QString &argument : arguments) {
        const QUrl url(argument);
        const QString path = url.isLocalFile() ? url.toLocalFile() : argument;
        files << QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    }
    return files;
}

void OpenStartupFiles(TFrmMainForm &mainForm, const QStringList &arguments)
{
    QList<QUrl> urls;
    for (const QString &file : StartupFiles(arguments))
        urls << QUrl::fromLocalFile(file);
    mainForm.FilesDropped(urls);
}

int StartSonabrix()
{
    TFrmMainForm mainForm;
    TfrmConverting progressWindow;
    TfrmOption optionsDialog(&mainForm);
    mainForm.show();
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (!arguments.isEmpty()) {
        // Listed once the message loop runs, so that a warning about an
        // unreadable file shows over the finished window.
        QMetaObject::invokeMethod(
            &mainForm, [&mainForm, arguments] { RunReportingErrors([&] { OpenStartupFiles(mainForm, arguments); }); },
            Qt::QueuedConnection);
    }
    return QApplication::exec();
}
