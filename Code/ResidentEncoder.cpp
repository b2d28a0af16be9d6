#include "ResidentEncoder.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <csignal>
#include <cstring>
#include <vector>

#include <QFile>

#include "FuncObjects.h"

namespace {

// How long an idle encoder may take to end once its requests are closed.
constexpr int EndGraceMs = 3000;

void PollRetrying(pollfd *fds, nfds_t count, int timeoutMs, int *ready)
{
    do
        *ready = ::poll(fds, count, timeoutMs);
    while (*ready < 0 && errno == EINTR);
}

} // namespace

TResidentEncoder::~TResidentEncoder()
{
    if (m_child)
        Reap();
}

bool TResidentEncoder::Start(const QString &program)
{
    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
        m_lastError = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    UniqueFd requests(sockets[0]), childRequests(sockets[1]);
    Pipe output, status;
    if (!MakePipe(output) || !MakePipe(status)
        || ::fcntl(output.readEnd.get(), F_SETFL, O_NONBLOCK) != 0) {
        m_lastError = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    const pid_t pid = StartInProgramFolder({program, QStringLiteral("--serve")}, childRequests.get(),
                                           output.writeEnd.get(), status.writeEnd.get());
    if (pid == 0)
        return false;
    m_child = std::make_unique<ChildProcess>(pid);
    {
        const std::lock_guard<std::mutex> lock(m_childLock);
        m_childPid = pid;
    }
    m_program = program;
    m_requests = std::move(requests);
    m_output = std::move(output.readEnd);
    m_status = std::move(status.readEnd);
    return true;
}

int TResidentEncoder::Reap()
{
    // Without requests an idle encoder ends by itself.
    m_requests.reset();
    pollfd end{m_status.get(), POLLIN, 0};
    for (;;) {
        int ready = 0;
        PollRetrying(&end, 1, EndGraceMs, &ready);
        if (ready == 0) {
            TerminateChild();
            break;
        }
        char discard[64];
        if (::read(m_status.get(), discard, sizeof discard) <= 0)
            break;
    }
    // Waits for the end without reaping, so that the id is forgotten under
    // the lock in the same step as the child is reaped. A child reaped
    // already is not waited for: its id may belong to another by now.
    bool reaped = false;
    {
        const std::lock_guard<std::mutex> lock(m_childLock);
        reaped = m_childPid == 0;
    }
    siginfo_t info{};
    while (!reaped && ::waitid(P_PID, static_cast<id_t>(m_child->pid()), &info, WEXITED | WNOWAIT) < 0
           && errno == EINTR) {
    }
    {
        const std::lock_guard<std::mutex> lock(m_childLock);
        m_child->HasEnded();
        m_childPid = 0;
    }
    const int exitCode = m_child->ExitCode();
    m_child.reset();
    m_output.reset();
    m_status.reset();
    return exitCode;
}

bool TResidentEncoder::SendRequest(const QStringList &arguments)
{
    QByteArray request = QByteArray::number(arguments.size());
    request.append('\0');
    for (const QString &argument : arguments) {
        request.append(QFile::encodeName(argument));
        request.append('\0');
    }
    qsizetype sent = 0;
    while (sent < request.size()) {
        const ssize_t result = ::send(m_requests.get(), request.constData() + sent,
                                      static_cast<size_t>(request.size() - sent), MSG_NOSIGNAL);
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0)
            return false;
        sent += result;
    }
    return true;
}

void TResidentEncoder::ReadOutput(const TConsoleOutputProc &onOutput)
{
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(m_output.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        onOutput(QString::fromLocal8Bit(buffer, static_cast<qsizetype>(got)));
    }
}

bool TResidentEncoder::RunConsoleProgram(const QString &commandLine, const TConsoleOutputProc &onOutput)
{
    const QStringList arguments = BeginRun(commandLine);
    if (arguments.isEmpty())
        return false;
    // An encoder that has ended since the last file, or another program,
    // is replaced by a new one.
    if (m_child) {
        bool ended = false;
        {
            const std::lock_guard<std::mutex> lock(m_childLock);
            ended = m_child->HasEnded();
            if (ended)
                m_childPid = 0;
        }
        if (ended || arguments.first() != m_program)
            Reap();
    }
    if (!m_child && !Start(arguments.first()))
        return false;
    m_lastProcessId = m_child->pid();

    if (!SendRequest(arguments.mid(1))) {
        // The encoder ended before it took the file: killed from outside.
        m_lastExitCode = Reap();
        return true;
    }
    QByteArray status;
    bool outputOpen = true;
    for (;;) {
        pollfd fds[2] = {{m_status.get(), POLLIN, 0}, {outputOpen ? m_output.get() : -1, POLLIN, 0}};
        int ready = 0;
        PollRetrying(fds, 2, -1, &ready);
        if (fds[1].revents != 0) {
            ReadOutput(onOutput);
            // Only the end of the encoder closes the output for good.
            outputOpen = !(fds[1].revents & POLLHUP);
        }
        if (fds[0].revents == 0)
            continue;
        char bytes[64];
        ssize_t got;
        do
            got = ::read(m_status.get(), bytes, sizeof bytes);
        while (got < 0 && errno == EINTR);
        if (got > 0) {
            status.append(bytes, got);
            if (!status.endsWith('\n'))
                continue;
            // Every report of the file was written before its status.
            ReadOutput(onOutput);
            bool number = false;
            m_lastExitCode = status.trimmed().toInt(&number);
            if (!number)
                m_lastExitCode = 1;
            return true;
        }
        // The encoder ended during the file.
        ReadOutput(onOutput);
        m_lastExitCode = Reap();
        return true;
    }
}

bool TResidentEncoder::TerminateChild()
{
    const std::lock_guard<std::mutex> lock(m_childLock);
    return m_childPid > 0 && ::kill(m_childPid, SIGKILL) == 0;
}
