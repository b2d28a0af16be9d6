#pragma once

#include <sys/types.h>

#include <memory>
#include <mutex>

#include <QString>

#include "AdvanceSystem.h"
#include "ProcessHandles.h"

// Converts files one after another through one encoder process that stays
// ("evc.exe --serve"), so that a batch pays the encoder's start-up, which
// on many short files costs as much as converting them, once per job slot.
// It answers like the runner: the same command lines, the same output
// chunks, the same exit statuses, one call per file. The encoder is started
// at the first call and again after it has ended (a crash, a kill), and the
// caller may end it from any thread. It never signals a process it did not
// start.
class TResidentEncoder final : public TConsoleRunner
{
public:
    TResidentEncoder() = default;
    // Lets an idle encoder end by closing its requests; one that does not
    // end within a few seconds is killed.
    ~TResidentEncoder() override;
    TResidentEncoder(const TResidentEncoder &) = delete;
    TResidentEncoder &operator=(const TResidentEncoder &) = delete;

    // Converts as the command line asks and waits for the file's end. The
    // last process id is the encoder's that converted the file, whose
    // partial output carries it; the exit status is 128 plus the signal
    // when the encoder was ended during the file.
    bool RunConsoleProgram(const QString &commandLine, const TConsoleOutputProc &onOutput) override;

    // Kills the encoder process, if one runs.
    bool TerminateChild() override;

private:
    bool Start(const QString &program);
    // Waits for the encoder's end, reaps it and closes its channels.
    int Reap();
    bool SendRequest(const QStringList &arguments);
    void ReadOutput(const TConsoleOutputProc &onOutput);

    QString m_program;
    std::unique_ptr<ChildProcess> m_child;
    UniqueFd m_requests;
    UniqueFd m_output;
    UniqueFd m_status;
    std::mutex m_childLock;
    pid_t m_childPid = 0;
};
