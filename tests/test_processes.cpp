// The console runner, encoder process control and the system actions.
#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include "AdvanceSystem.h"
#include "FakePlatform.h"
#include "FuncObjects.h"
#include "TestEnvironment.h"
#include "Unit_CommonLib.h"

namespace {

QString Helper()
{
    return QStringLiteral(HELPER_DIR "/console_helper");
}

int OpenDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size();
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

class RunnerTest : public ProgramFolderTest
{
protected:
    // Runs the helper with its arguments and collects the chunks delivered.
    QStringList Run(const QString &arguments, bool *started = nullptr)
    {
        QStringList chunks;
        TAdvanceSystem runner;
        const bool ok = runner.RunConsoleProgram(Helper() + QLatin1Char(' ') + arguments,
                                                 [&chunks](const QString &chunk) { chunks << chunk; });
        if (started)
            *started = ok;
        m_exitCode = runner.LastExitCode();
        return chunks;
    }
    int m_exitCode = -1;
};

struct ChunkCase { const char *arguments; QStringList chunks; };

class ChunkRulesTest : public RunnerTest, public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(ChunkRulesTest, DeliversChunksByTheRules)
{
    bool started = false;
    EXPECT_EQ(Run(QString::fromUtf8(GetParam().arguments), &started), GetParam().chunks);
    EXPECT_TRUE(started);
}

INSTANTIATE_TEST_SUITE_P(Rules, ChunkRulesTest, ::testing::Values(
    ChunkCase{"none", {}},
    ChunkCase{"bytes 1023", {QString(1023, QLatin1Char('a'))}},
    ChunkCase{"bytes 2046", {QString(1023, QLatin1Char('a'))}},
    ChunkCase{"bytes 1500 z", {QString(477, QLatin1Char('z'))}},
    ChunkCase{"nul", {QStringLiteral("abc")}},
    ChunkCase{"stderr \"to the same channel\"", {QStringLiteral("to the same channel")}}));

TEST_F(RunnerTest, EveryChunkIsFollowedByTheFixedPause)
{
    const QStringList chunks = Run(QStringLiteral("ticks 3 150"));
    ASSERT_EQ(chunks.size(), 3);
    EXPECT_EQ(chunks.join(QString()), QStringLiteral("tick 0\ntick 1\ntick 2\n"));
    EXPECT_EQ(FakePlatform().Pauses, QList<int>({500, 500, 500}));
}

TEST_F(RunnerTest, TheChildRunsInTheProgramFolderWithAQuietStandardInput)
{
    EXPECT_EQ(Run(QStringLiteral("cwd")), QStringList({QDir(AppFolder()).canonicalPath()}));
    EXPECT_EQ(Run(QStringLiteral("stdin")), QStringList({QStringLiteral("open-quiet")}));
}

TEST_F(RunnerTest, ExitCodeIsKept)
{
    Run(QStringLiteral("exit 3"));
    EXPECT_EQ(m_exitCode, 3);
    Run(QStringLiteral("none"));
    EXPECT_EQ(m_exitCode, 0);
}

TEST_F(RunnerTest, AProgramThatCannotStartGivesFalseAndLeaksNothing)
{
    Run(QStringLiteral("none"));  // let lazily opened descriptors settle first
    const int before = OpenDescriptors();
    int calls = 0;
    TAdvanceSystem runner;
    EXPECT_FALSE(runner.RunConsoleProgram(QStringLiteral("/no/such/program -x"), [&](const QString &) { ++calls; }));
    EXPECT_FALSE(runner.RunConsoleProgram(QString(), [&](const QString &) { ++calls; }));
    EXPECT_FALSE(runner.RunConsoleProgram(QStringLiteral("   "), [&](const QString &) { ++calls; }));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(OpenDescriptors(), before);
    Run(QStringLiteral("bytes 10"));
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(RunnerTest, NoZombieIsLeftBehind)
{
    Run(QStringLiteral("bytes 5"));
    // Every child was reaped: there is none left to collect.
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(RunnerTest, WaitingForAQuietChildUsesNoProcessor)
{
    const double before = CpuSeconds();
    Run(QStringLiteral("sleep 2000"));
    EXPECT_LT(CpuSeconds() - before, 0.2);
}

TEST_F(RunnerTest, TheWindowsAnswerWhileTheChildIsQuiet)
{
    // A handler run during the quiet spell ends the child, as Stop does; the
    // run then returns without waiting for the child's own end.
    bool handled = false;
    QTimer::singleShot(50, [&] {
        handled = true;
        TCommonLib(AppFolder()).KillProcessByName(QStringLiteral("console_helper"));
    });
    EXPECT_TRUE(Run(QStringLiteral("sleep 5000")).isEmpty());
    EXPECT_TRUE(handled);
    EXPECT_EQ(m_exitCode, 128 + SIGKILL);
}

// --- Encoder process control -------------------------------------------------

// True once the process has ended (it may have been noticed already while
// the code under test processed events).
bool Ended(QProcess *process)
{
    return process->state() == QProcess::NotRunning || process->waitForFinished(5000);
}

// A sleeping helper under the encoder's name, started apart from the runner.
class ProcessControlTest : public ProgramFolderTest
{
protected:
    QProcess *StartFakeEncoder(const QString &name = QStringLiteral("evc.exe"))
    {
        const QString path = m_work.filePath(name);
        if (!QFile::exists(path))
            QFile::copy(Helper(), path);
        auto *process = new QProcess;
        m_processes.emplace_back(process);
        process->start(path, {QStringLiteral("sleep"), QStringLiteral("30000")});
        EXPECT_TRUE(process->waitForStarted());
        return process;
    }
    void TearDown() override
    {
        for (auto &process : m_processes) {
            process->kill();
            process->waitForFinished();
        }
        ProgramFolderTest::TearDown();
    }
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

TEST_F(ProcessControlTest, FindsEncodersByNameIgnoringCase)
{
    const TCommonLib lib(AppFolder());
    EXPECT_EQ(SysFunc->FindProcessID(QStringLiteral("evc.exe")), 0);
    EXPECT_EQ(lib.GetProcessIdByName(QStringLiteral("evc.exe")), 0);
    EXPECT_EQ(LogMessages(), QStringList({QStringLiteral("Get Process id error.")}));
    QProcess *encoder = StartFakeEncoder();
    EXPECT_EQ(SysFunc->FindProcessID(QStringLiteral("EVC.EXE")), encoder->processId());
    EXPECT_EQ(lib.GetProcessIdByName(QStringLiteral("Evc.Exe")), encoder->processId());
    EXPECT_EQ(LogMessages().size(), 1);
}

TEST_F(ProcessControlTest, KillByNameEndsEveryProcessOfThatName)
{
    const TCommonLib lib(AppFolder());
    QProcess *first = StartFakeEncoder();
    QProcess *second = StartFakeEncoder();
    QProcess *other = StartFakeEncoder(QStringLiteral("other.exe"));
    EXPECT_TRUE(lib.KillProcessByName(QStringLiteral("EVC.exe")));
    EXPECT_TRUE(Ended(first));
    EXPECT_TRUE(Ended(second));
    EXPECT_EQ(other->state(), QProcess::Running);
    EXPECT_FALSE(lib.KillProcessByName(QStringLiteral("evc.exe")));
    EXPECT_EQ(LogMessages(), QStringList({QStringLiteral("Terminate process error.")}));
}

TEST_F(ProcessControlTest, StopEncoderReturnsWhenNoneIsLeft)
{
    const TCommonLib lib(AppFolder());
    QProcess *encoder = StartFakeEncoder();
    EXPECT_TRUE(lib.StopEncoder(AppFolder() + QStringLiteral("evc.exe")));
    EXPECT_TRUE(Ended(encoder));
    EXPECT_EQ(SysFunc->FindProcessID(QStringLiteral("evc.exe")), 0);
    const QStringList log = LogMessages();
    EXPECT_EQ(log.count(QStringLiteral("Get Process id error.")), 2);
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
}

TEST_F(ProcessControlTest, AnEncoderThatKeepsComingBackIsGivenUpWithAWarning)
{
    const QString encoder = m_work.filePath(QStringLiteral("evc.exe"));
    QFile::copy(Helper(), encoder);
    QProcess respawner;
    respawner.start(Helper(), {QStringLiteral("respawn"), encoder});
    ASSERT_TRUE(respawner.waitForStarted());
    while (SysFunc->FindProcessID(QStringLiteral("evc.exe")) == 0)
        QThread::msleep(10);

    // Short real pauses give the encoder time to come back between attempts.
    FakePlatform().PauseScale = 100;
    const TCommonLib lib(AppFolder());
    EXPECT_FALSE(lib.StopEncoder(encoder));
    EXPECT_EQ(FakePlatform().Pauses.count(100), 50);
    ASSERT_EQ(FakePlatform().Messages.size(), 1);
    EXPECT_EQ(FakePlatform().Messages[0].Kind, TPlatformLayer::MessageKind::Warning);
    EXPECT_TRUE(FakePlatform().Messages[0].Text.startsWith(QStringLiteral("The encoder could not be stopped.")));

    respawner.kill();
    respawner.waitForFinished();
    FakePlatform().Messages.clear();
    EXPECT_TRUE(lib.StopEncoder(encoder));
}

TEST_F(ProcessControlTest, StopWithNoEncoderRunningLogsOncePerLoop)
{
    const TCommonLib lib(AppFolder());
    EXPECT_TRUE(lib.StopEncoder(AppFolder() + QStringLiteral("evc.exe")));
    EXPECT_EQ(LogMessages(), QStringList({QStringLiteral("Get Process id error."), QStringLiteral("Get Process id error.")}));
}

TEST_F(ProcessControlTest, TheRunnerReturnsWhenItsEncoderIsStoppedFromTheCallback)
{
    const QString encoder = AppFolder() + QStringLiteral("evc.exe");
    QFile::remove(encoder);
    ASSERT_TRUE(QFile::copy(Helper(), encoder));
    const TCommonLib lib(AppFolder());
    TAdvanceSystem runner;
    int chunks = 0;
    const bool ran = runner.RunConsoleProgram(encoder + QStringLiteral(" ticks 100 50"), [&](const QString &) {
        if (++chunks == 2)
            lib.StopEncoder(encoder);
    });
    EXPECT_TRUE(ran);
    EXPECT_LT(chunks, 10);
    EXPECT_NE(runner.LastExitCode(), 0);
    EXPECT_EQ(SysFunc->FindProcessID(QStringLiteral("evc.exe")), 0);
}

TEST_F(ProcessControlTest, PrivilegesNeedNothingOnThisPlatform)
{
    const TCommonLib lib(AppFolder());
    EXPECT_TRUE(lib.EnableDebugPrivilege());
    EXPECT_TRUE(IsWinNT());
}

// --- System actions --------------------------------------------------------------

class SystemActionsTest : public ProgramFolderTest
{
protected:
    TCommonLib m_lib{QString()};
};

TEST_F(SystemActionsTest, CancelKeepsTheCurrentFolderAndCreatesIt)
{
    const QString current = TempPath(QStringLiteral("current/deeper"));
    EXPECT_EQ(m_lib.ChooseOutputFolder(current), current);
    EXPECT_TRUE(QDir(current).exists());
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
}

TEST_F(SystemActionsTest, AnInvalidChoiceWarnsAndKeepsTheCurrentFolder)
{
    FakePlatform().DirectoryAnswers.push_back(TempPath(QStringLiteral("not-there")));
    EXPECT_EQ(m_lib.ChooseOutputFolder(TempPath(QStringLiteral("current"))), TempPath(QStringLiteral("current")));
    EXPECT_EQ(FakePlatform().MessageTexts(), QStringList({QStringLiteral("The path is invalid.")}));
}

TEST_F(SystemActionsTest, AReadOnlyChoiceWarnsAndKeepsTheCurrentFolder)
{
    // Not even root may create folders in /proc.
    FakePlatform().DirectoryAnswers.push_back(QStringLiteral("/proc"));
    EXPECT_EQ(m_lib.ChooseOutputFolder(TempPath(QStringLiteral("current"))), TempPath(QStringLiteral("current")));
    EXPECT_EQ(FakePlatform().MessageTexts(), QStringList({QStringLiteral("This is a read-only path.")}));
    EXPECT_EQ(FakePlatform().Messages[0].Kind, TPlatformLayer::MessageKind::Warning);
}

TEST_F(SystemActionsTest, AWritableChoiceIsTakenAndItsOwnTestFolderIsLeftAlone)
{
    const QString chosen = TempPath(QStringLiteral("chosen folder"));
    QDir().mkpath(chosen + QStringLiteral("/test"));
    FakePlatform().DirectoryAnswers.push_back(chosen);
    EXPECT_EQ(m_lib.ChooseOutputFolder(TempPath(QStringLiteral("current"))), chosen);
    EXPECT_TRUE(QDir(chosen + QStringLiteral("/test")).exists());
    EXPECT_EQ(QDir(chosen).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList({QStringLiteral("test")}));
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
}

TEST_F(SystemActionsTest, MachineActionsGoThroughTheReplaceableLayer)
{
    m_lib.OpenFolderInExplorer(QStringLiteral("/out put/with \"quotes\"/"));
    m_lib.ShutdownComputer();
    m_lib.TrimWorkingSet();
    EXPECT_EQ(FakePlatform().OpenedFolders, QStringList({QStringLiteral("/out put/with \"quotes\"/")}));
    EXPECT_EQ(FakePlatform().PowerOffs, 1);
}

} // namespace
