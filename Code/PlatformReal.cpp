#include "PlatformReal.h"

#include <algorithm>
#include <cstdlib>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <QUrl>

namespace {

QWidget *DialogOwner()
{
    return QApplication::activeWindow();
}

} // namespace

int TRealPlatform::MessageBox(const QString &caption, const QString &text, MessageKind kind)
{
    QMessageBox::Icon icon = QMessageBox::Critical;
    switch (kind) {
    case MessageKind::Error: icon = QMessageBox::Critical; break;
    case MessageKind::Warning: icon = QMessageBox::Warning; break;
    case MessageKind::Question: icon = QMessageBox::Question; break;
    case MessageKind::Information: icon = QMessageBox::Information; break;
    }
    QMessageBox box(icon, caption, text, QMessageBox::Ok, DialogOwner());
    return box.exec() == QMessageBox::Ok ? 1 : 0;
}

bool TRealPlatform::AskYesNo(const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No, DialogOwner());
    return box.exec() == QMessageBox::Yes;
}

QString TRealPlatform::InputBox(const QString &caption, const QString &prompt, const QString &text)
{
    bool confirmed = false;
    const QString answer = QInputDialog::getText(DialogOwner(), caption, prompt, QLineEdit::Normal, text, &confirmed);
    return confirmed ? answer : text;
}

QStringList TRealPlatform::GetOpenFileNames(const QString &initialFolder, const QString &filter)
{
    return QFileDialog::getOpenFileNames(DialogOwner(), QString(), initialFolder, DialogFilterToQt(filter), nullptr,
                                         QFileDialog::ReadOnly);
}

QString TRealPlatform::GetExistingDirectory(const QString &title)
{
    return QFileDialog::getExistingDirectory(DialogOwner(), title, QString());
}

void TRealPlatform::OpenFolder(const QString &folder)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void TRealPlatform::OpenUrl(const QString &url)
{
    QDesktopServices::openUrl(QUrl(url));
}

void TRealPlatform::PowerOff()
{
    QProcess::startDetached(QStringLiteral("systemctl"), {QStringLiteral("poweroff")});
}

void TRealPlatform::EndProgram()
{
    std::exit(0);
}

void TRealPlatform::Pause(int milliseconds)
{
    // The windows go on answering during the wait (a Stop must not wait for
    // the pause to end), yet the wait keeps its full length. Events are taken
    // one batch at a time rather than in a local event loop, because after
    // the application has been told to quit every new event loop returns at
    // once, and the pause would shrink to nothing.
    const QDeadlineTimer deadline(milliseconds, Qt::PreciseTimer);
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (!deadline.hasExpired()) {
        if (!wake.isActive())
            wake.start(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}
