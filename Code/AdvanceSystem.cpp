#include "AdvanceSystem.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include "FuncObjects.h"
#include "PlatformLayer.h"
#include "ProcessHandles.h"

extern char **environ;

namespace {

constexpr int ChunkBytes = 1023;
constexpr int PauseAfterChunkMs = 500;

// Sleeps until one of the descriptors can be read or the timeout (-1: none)
// has passed. On the application's thread the program's events run
// meanwhile: the runner keeps that thread for the whole run, and a Stop
// pressed while the encoder is quiet (opening a large file, say) must be
// answered at once, not at the encoder's next line of output.
void SleepUntilReadable(pollfd *fds, nfds_t count, int timeoutMs)
{
    const QCoreApplication *application = QCoreApplication::instance();
    if (!application || QThread::currentThread() != application->thread()) {
        while (::poll(fds, count, timeoutMs) < 0 && errno == EINTR) {
        }
        return;
    }
    bool woke = false;
    std::vector<std::unique_ptr<QSocketNotifier>> notifiers;
    // A readable descriptor stays readable: every notifier is switched off at
    // the first wake, or a question box opened meanwhile would spin on it.
    const auto wake = [&woke, &notifiers] {
        woke = true;
        for (const auto &notifier : notifiers)
            notifier->setEnabled(false);
    };
    for (nfds_t i = 0; i < count; ++i) {
        notifiers.push_back(std::make_unique<QSocketNotifier>(fds[i].fd, QSocketNotifier::Read));
        QObject::connect(notifiers.back().get(), &QSocketNotifier::activated, wake);
    }
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, wake);
    if (timeoutMs >= 0)
        timer.start(timeoutMs);
    while (!woke)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    while (::poll(fds, count, 0) < 0 && errno == EINTR) {
    }
}

// Waits without using the processor until output arrives or the child
// ends. Once every writer has closed the pipe, only the child's end is
// waited for. Returns false when the pipe has been closed for good.
bool WaitForOutputOrEnd(int outputFd, bool outputOpen, int childFd)
{
    pollfd fds[2];
    nfds_t count = 0;
    if (childFd >= 0)
        fds[count++] = {childFd, POLLIN, 0};
    if (outputOpen)
        fds[count++] = {outputFd, POLLIN, 0};
    // Without a process descriptor the end of the child is seen by a short
    // timeout instead.
    const int timeoutMs = childFd >= 0 && count > 0 ? -1 : 50;
    SleepUntilReadable(fds, count, timeoutMs);
    if (!outputOpen)
        return false;
    const pollfd &out = fds[count - 1];
    return !((out.revents & POLLHUP) && !(out.revents & POLLIN));
}

int BytesWaiting(int fd)
{
    int count = 0;
    return ::ioctl(fd, FIONREAD, &count) == 0 ? count : 0;
}

// The bytes of one read up to the first NUL byte, as text.
QString ChunkText(const char *buffer, ssize_t length)
{
    const void *nul = memchr(buffer, '\0', static_cast<size_t>(length));
    const ssize_t end = nul ? static_cast<const char *>(nul) - buffer : length;
    return QString::fromLocal8Bit(buffer, static_cast<int>(end));
}

bool IsExecutableFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

} // namespace

bool IsWinNT()
{
    return true;
}

namespace {

// The arguments of a command line by the quoting rule alone.
QStringList SplitArguments(const QString &text)
{
    QStringList arguments;
    QString current;
    bool inArgument = false, inQuotes = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c == QLatin1Char('\\') && i + 1 < text.size()
                && (text[i + 1] == QLatin1Char('"') || text[i + 1] == QLatin1Char('\\'))) {
                current += text[++i];
            } else if (c == QLatin1Char('"')) {
                inQuotes = false;
            } else {
                current += c;
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inArgument) {
                arguments << current;
                current.clear();
                inArgument = false;
            }
        } else if (c == QLatin1Char('"')) {
            inArgument = inQuotes = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments << current;
    return arguments;
}

bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

QStringList SplitCommandLine(const QString &commandLine)
{
    int begin = 0;
    while (begin < commandLine.size() && IsBlank(commandLine[begin]))
        ++begin;
    // An unquoted program path is taken from the text exactly as it stands,
    // so that runs of blanks, tabs, quotes and backslashes in the program's
    // folder survive: the shortest prefix that ends before a blank (or at the
    // end) and names a program file is the program. A prefix that names a
    // file which is not executable is kept as a second choice, so that
    // starting it reports why it cannot run.
    if (begin < commandLine.size() && commandLine[begin] != QLatin1Char('"')) {
        int fileEnd = -1;
        for (int end = begin + 1; end <= commandLine.size(); ++end) {
            if (end < commandLine.size() && !IsBlank(commandLine[end]))
                continue;
            const QString candidate = commandLine.mid(begin, end - begin);
            if (!candidate.contains(QLatin1Char('/')))
                continue;
            if (IsExecutableFile(candidate)) {
                fileEnd = end;
                break;
            }
            if (fileEnd < 0 && QFileInfo(candidate).isFile())
                fileEnd = end;
        }
        if (fileEnd >= 0)
            return QStringList(commandLine.mid(begin, fileEnd - begin)) + SplitArguments(commandLine.mid(fileEnd));
    }
    return SplitArguments(commandLine);
}

QStringList TConsoleRunner::BeginRun(const QString &commandLine)
{
    m_lastExitCode = -1;
    m_lastProcessId = 0;
    m_lastError.clear();
    const QStringList arguments = SplitCommandLine(commandLine);
    if (arguments.isEmpty())
        m_lastError = QStringLiteral("the command line names no program");
    return arguments;
}

pid_t TConsoleRunner::StartInProgramFolder(const QStringList &arguments, int inputFd, int outputFd, int statusFd)
{
    SpawnSetup setup;
    if (!setup.ok()) {
        m_lastError = QStringLiteral("out of memory");
        return 0;
    }
    const QByteArray folder = QFile::encodeName(AppFunc->GetAppPath());
    posix_spawn_file_actions_adddup2(setup.actions(), inputFd, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(setup.actions(), outputFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(setup.actions(), outputFd, STDERR_FILENO);
    if (statusFd >= 0)
        posix_spawn_file_actions_adddup2(setup.actions(), statusFd, 3);
    posix_spawn_file_actions_addchdir_np(setup.actions(), folder.constData());

    std::vector<QByteArray> encoded;
    for (const QString &argument : arguments)
        encoded.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    if (const int failure = posix_spawnp(&pid, argv[0], setup.actions(), setup.attributes(), argv.data(), environ)) {
        m_lastError = QString::fromLocal8Bit(strerror(failure));
        return 0;
    }
    return pid;
}

bool TAdvanceSystem::RunConsoleProgram(const QString &commandLine, const TConsoleOutputProc &onOutput)
{
    const QStringList arguments = BeginRun(commandLine);
    if (arguments.isEmpty())
        return false;

    Pipe input, output;
    if (!MakePipe(input) || !MakePipe(output)) {
        m_lastError = QString::fromLocal8Bit(strerror(errno));
        return false;
    }

    const pid_t pid = StartInProgramFolder(arguments, input.readEnd.get(), output.writeEnd.get());
    if (pid == 0)
        return false;
    ChildProcess child(pid);
    m_lastProcessId = pid;
    // Forgets the child before it is reaped on any path out, so that
    // TerminateChild never reaches a process that reuses its id.
    struct ForgetChild
    {
        TAdvanceSystem &runner;
        ~ForgetChild()
        {
            const std::lock_guard<std::mutex> lock(runner.m_childLock);
            runner.m_childPid = 0;
        }
    } forget{*this};
    {
        const std::lock_guard<std::mutex> lock(m_childLock);
        m_childPid = pid;
    }
    input.readEnd.reset();
    output.writeEnd.reset();

    const UniqueFd childFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    char buffer[ChunkBytes + 2];
    bool outputOpen = true;
    for (;;) {
        bool ended = false;
        {
            const std::lock_guard<std::mutex> lock(m_childLock);
            ended = child.HasEnded();
            if (ended)
                m_childPid = 0;
        }
        const int waiting = BytesWaiting(output.readEnd.get());
        if (waiting > 0) {
            ssize_t lastRead = 0;
            int left = waiting;
            while (left > 0) {
                memset(buffer, 0, sizeof buffer);
                const ssize_t got = ::read(output.readEnd.get(), buffer, ChunkBytes);
                if (got <= 0)
                    break;
                lastRead = got;
                left -= static_cast<int>(got);
            }
            if (lastRead > 0) {
                onOutput(ChunkText(buffer, lastRead));
                Platform().Pause(PauseAfterChunkMs);
            }
        }
        if (ended)
            break;
        if (waiting == 0)
            outputOpen = WaitForOutputOrEnd(output.readEnd.get(), outputOpen, childFd.get()) && outputOpen;
    }
    m_lastExitCode = child.ExitCode();
    return true;
}

bool TAdvanceSystem::TerminateChild()
{
    const std::lock_guard<std::mutex> lock(m_childLock);
    return m_childPid > 0 && ::kill(m_childPid, SIGKILL) == 0;
}
