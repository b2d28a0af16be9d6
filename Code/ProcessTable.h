#pragma once

#include <QList>
#include <QString>

// One running process as /proc shows it.
struct TProcessEntry
{
    qint64 Pid = 0;
    // The program file name: the base name of /proc/PID/exe where readable,
    // else /proc/PID/comm.
    QString ExeFile;
};

// Every live process of the machine; processes that have ended but are not
// yet reaped (zombies) no longer count as running.
QList<TProcessEntry> SnapshotProcesses();

// Upper-cases the letters a to z only, as the process name rules compare.
QString UpperAsciiName(const QString &name);

// Ends a process at once; false when it cannot be signalled.
bool TerminateProcessById(qint64 pid);
