#include "ProcessTable.h"

#include <signal.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QByteArray ReadSmallFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096);
}

// The state letter follows the command name in parentheses, which may itself
// hold blanks and parentheses, so it is found after the last ")".
bool IsZombieOrGone(const QString &procDir)
{
    const QByteArray stat = ReadSmallFile(procDir + QStringLiteral("/stat"));
    const int close = stat.lastIndexOf(')');
    if (close < 0 || close + 2 >= stat.size())
        return true;
    const char state = stat[close + 2];
    return state == 'Z' || state == 'X';
}

QString ProgramFileName(const QString &procDir)
{
    const QString target = QFile::symLinkTarget(procDir + QStringLiteral("/exe"));
    if (!target.isEmpty())
        return QFileInfo(target).fileName();
    return QString::fromUtf8(ReadSmallFile(procDir + QStringLiteral("/comm"))).trimmed();
}

} // namespace

QList<TProcessEntry> SnapshotProcesses()
{
    QList<TProcessEntry> entries;
    const QStringList names = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        bool numeric = false;
        const qint64 pid = name.toLongLong(&numeric);
        if (!numeric || pid <= 0)
            continue;
        const QString procDir = QStringLiteral("/proc/") + name;
        if (IsZombieOrGone(procDir))
            continue;
        const QString exeFile = ProgramFileName(procDir);
        if (!exeFile.isEmpty())
            entries.append({pid, exeFile});
    }
    return entries;
}

QString UpperAsciiName(const QString &name)
{
    QString upper = name;
    for (QChar &c : upper)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return upper;
}

bool TerminateProcessById(qint64 pid)
{
    return pid > 0 && ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}
