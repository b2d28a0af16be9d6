#pragma once

#include <sys/types.h>

#include <functional>
#include <mutex>

#include <QString>
#include <QStringList>

// Receives one chunk of a console program's output.
using TConsoleOutputProc = std::function<void(const QString &chunk)>;

// What runs console programs for the program: each call runs one command
// line to its end and hands the output, chunk by chunk, to a callback.
class TConsoleRunner
{
public:
    virtual ~TConsoleRunner() = default;

    // True when the program was started and has ended; false when it could
    // not be started (then the callback is never called).
    virtual bool RunConsoleProgram(const QString &commandLine, const TConsoleOutputProc &onOutput) = 0;

    // Ends the program this runner started, if it still runs; callable from
    // any thread. It never signals a process this runner did not start.
    virtual bool TerminateChild() = 0;

    // The exit status of the last program run: its exit code, or 128 plus
    // the signal that ended it; -1 when none ran.
    int LastExitCode() const { return m_lastExitCode; }
    // Why the last program could not be started; empty when it started.
    const QString &LastError() const { return m_lastError; }
    // The process id of the last program started; 0 when none started.
    qint64 LastProcessId() const { return m_lastProcessId; }

protected:
    // Forgets the last run and splits the command line; empty, with the
    // reason kept, when it names no program.
    QStringList BeginRun(const QString &commandLine);

    // Starts arguments[0], looked up as written (a path, or a name on PATH),
    // in the program's folder, with standard input on inputFd, standard
    // output and standard error on outputFd and, when statusFd is given, that
    // descriptor as descriptor 3. Returns its process id; 0, with the reason
    // kept, when it could not be started.
    pid_t StartInProgramFolder(const QStringList &arguments, int inputFd, int outputFd, int statusFd = -1);

    int m_lastExitCode = -1;
    qint64 m_lastProcessId = 0;
    QString m_lastError;
};

// Runs one console program per call. The program runs in the program's
// folder with standard output and standard error on one pipe and a standard
// input that never delivers data. No shell is involved. While the program
// writes nothing, the application's pending events run (on its thread), so
// that its windows keep answering for the whole run.
class TAdvanceSystem final : public TConsoleRunner
{
public:
    bool RunConsoleProgram(const QString &commandLine, const TConsoleOutputProc &onOutput) override;

    // The id is forgotten, under the same lock, when the child is reaped.
    bool TerminateChild() override;

private:
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
