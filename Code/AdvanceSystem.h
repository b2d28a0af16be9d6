#pragma once

#include <sys/types.h>

#include <functional>
#include <mutex>

#include <QString>
#include <QStringList>

// Receives one chunk of a console program's output.
using TConsoleOutputProc = std::function<void(const QString &chunk)>;

// Runs one console program to its end and hands its output, chunk by chunk,
// to a callback. The program runs in the program's folder with standard
// output and standard error on one pipe and a standard input that never
// delivers data. No shell is involved. While the program writes nothing,
// the application's pending events run (on its thread), so that its windows
// keep answering for the whole run.
class TAdvanceSystem final
{
public:
    // True when the program was started and has ended; false when it could
    // not be started (then the callback is never called).
    bool RunConsoleProgram(const QString &commandLine, const TConsoleOutputProc &onOutput);

    // The exit status of the last program run: its exit code, or 128 plus
    // the signal that ended it; -1 when none ran.
    int LastExitCode() const { return m_lastExitCode; }

    // Why the last program could not be started; empty when it started.
    const QString &LastError() const { return m_lastError; }
    // The process id of the last program started; 0 when none started.
    qint64 LastProcessId() const { return m_lastProcessId; }

    // Ends the program this runner started, if it still runs; callable from
    // any thread. It never signals a process this runner did not start: the
    // id is forgotten, under the same lock, when the child is reaped.
    bool TerminateChild();

private:
    int m_lastExitCode = -1;
    qint64 m_lastProcessId = 0;
    QString m_lastError;
    std::mutex m_childLock;
    pid_t m_childPid = 0;
};

// True on the platforms of the NT family; Linux counts as one.
bool IsWinNT();

// Splits a command line into arguments: blanks separate, double quotes
// group, and inside quotes a backslash escapes '"' and '\'. A leading
// program path that is not quoted is read from the text as it stands, so it
// may hold any characters: as the platform's own process start does, the
// shortest part of the text before a blank that names an existing program
// file is the program.
QStringList SplitCommandLine(const QString &commandLine);
