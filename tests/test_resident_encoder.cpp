// The resident encoder: one evc.exe process converting file after file.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "EncoderService.h"
#include "ResidentEncoder.h"
#include "TestEnvironment.h"

namespace {

using Request = std::vector<std::string>;

struct RequestCase
{
    const char *name;
    std::string bytes;
    std::vector<Request> requests;
};

class RequestReaderTest : public ::testing::TestWithParam<RequestCase> {};

std::string Bytes(std::initializer_list<std::string> fields)
{
    std::string bytes;
    for (const std::string &field : fields)
        bytes += field + '\0';
    return bytes;
}

TEST_P(RequestReaderTest, ReadsTheRequestsUpToTheFirstFault)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const std::string &bytes = GetParam().bytes;
    std::thread writer([fd = fds[1], &bytes] {
        // In small pieces, as a pipe may deliver them.
        for (std::size_t at = 0; at < bytes.size(); at += 3)
            (void)!::write(fd, bytes.data() + at, std::min<std::size_t>(3, bytes.size() - at));
        ::close(fd);
    });
    RequestReader reader(fds[0]);
    std::vector<Request> read;
    while (const auto request = reader.Next())
        read.push_back(*request);
    writer.join();
    ::close(fds[0]);
    EXPECT_EQ(read, GetParam().requests);
}

INSTANTIATE_TEST_SUITE_P(Cases, RequestReaderTest, ::testing::Values(
    RequestCase{"Nothing", "", {}},
    RequestCase{"TwoRequests", Bytes({"2", "-i", "a b.mp4", "1", "out.mp3"}), {{"-i", "a b.mp4"}, {"out.mp3"}}},
    RequestCase{"EmptyArgumentsAndNone", Bytes({"0", "3", "", "-y", ""}), {{}, {"", "-y", ""}}},
    RequestCase{"CutShort", Bytes({"1", "x", "3", "a"}), {{"x"}}},
    RequestCase{"CountNotANumber", Bytes({"1", "x", "two", "a", "b"}), {{"x"}}},
    RequestCase{"NegativeCount", Bytes({"-1", "x"}), {}},
    RequestCase{"TooManyArguments", Bytes({"100000"}), {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RequestReaderLimits, AFieldWithoutEndIsRefusedNotBuffered)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::thread writer([fd = fds[1]] {
        const std::string endless(1024, 'x');
        for (int i = 0; i < 1024; ++i)
            if (::write(fd, endless.data(), endless.size()) < 0)
                break;
        ::close(fd);
    });
    RequestReader reader(fds[0]);
    EXPECT_FALSE(reader.Next());
    ::close(fds[0]);
    writer.join();
}

class ResidentEncoderTest : public ProgramFolderTest
{
protected:
    QString CommandLine(const QString &source, const QString &output, const QString &codec = QStringLiteral("mp3"))
    {
        return AppFolder() + QStringLiteral("evc.exe -y -i \"%1\" -acodec %2 -vn -ab 128 -vol 100 -ac 2 -ar 44100 "
                                            "-ss 00:00:00 -t 2 \"%3\"")
            .arg(source, codec, output);
    }

    // Runs one file; its output goes to m_output.
    bool Convert(TResidentEncoder &encoder, const QString &commandLine)
    {
        m_output.clear();
        return encoder.RunConsoleProgram(commandLine, [this](const QString &chunk) { m_output += chunk; });
    }

    QStringList OutputFolderEntries() const
    {
        return QDir(TempPath(QString())).entryList({QStringLiteral("*.mp3"), QStringLiteral(".*.part")},
                                                   QDir::Files | QDir::Hidden);
    }

    QString m_output;
};

// Waits, without reaping it, until a child of this process has ended.
void WaitUntilEnded(qint64 pid)
{
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
}

TEST_F(ResidentEncoderTest, ConvertsFileAfterFileInOneProcessEachWithItsOwnStatus)
{
    const QString source = MakeClip({QStringLiteral("resident.mp4"), 2.0, true, false});
    TResidentEncoder encoder;

    ASSERT_TRUE(Convert(encoder, CommandLine(source, TempPath(QStringLiteral("one.mp3")))));
    EXPECT_EQ(encoder.LastExitCode(), 0) << m_output.toStdString();
    const qint64 pid = encoder.LastProcessId();
    EXPECT_GT(pid, 0);
    EXPECT_TRUE(m_output.contains(QStringLiteral("time=2.00"))) << m_output.toStdString();

    // A bad command line fails that file alone, with the encoder's message.
    ASSERT_TRUE(Convert(encoder, CommandLine(source, TempPath(QStringLiteral("bad.mp3")), QStringLiteral("nosuch"))));
    EXPECT_EQ(encoder.LastExitCode(), 2);
    EXPECT_TRUE(m_output.startsWith(QStringLiteral("evc: "))) << m_output.toStdString();
    EXPECT_FALSE(m_output.contains(QStringLiteral("time="))) << "another file's reports leaked into this one";

    // A file that cannot be read fails as it would in a process of its own.
    ASSERT_TRUE(Convert(encoder, CommandLine(TempPath(QStringLiteral("missing.mp4")), TempPath(QStringLiteral("m.mp3")))));
    EXPECT_EQ(encoder.LastExitCode(), 1);

    ASSERT_TRUE(Convert(encoder, CommandLine(source, TempPath(QStringLiteral("two.mp3")))));
    EXPECT_EQ(encoder.LastExitCode(), 0) << m_output.toStdString();
    EXPECT_EQ(encoder.LastProcessId(), pid);

    EXPECT_EQ(OutputFolderEntries(), QStringList({QStringLiteral("one.mp3"), QStringLiteral("two.mp3")}));
    for (const QString &name : {QStringLiteral("one.mp3"), QStringLiteral("two.mp3")})
        EXPECT_NEAR(AnalyseAudio(TempPath(name)).DecodedSeconds, 2.0, 0.1) << name.toStdString();
}

TEST_F(ResidentEncoderTest, AnEncoderKilledDuringAFileFailsThatFileAndANewOneTakesTheNext)
{
    const QString fifo = TempPath(QStringLiteral("never.wav"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    TResidentEncoder encoder;
    // The encoder waits in opening the pipe until a writer comes: once the
    // writer's open returns, the encoder is surely inside the file.
    std::thread stopper([&encoder, &fifo] {
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_CLOEXEC);
        encoder.TerminateChild();
        if (fd >= 0)
            ::close(fd);
    });
    ASSERT_TRUE(Convert(encoder, CommandLine(fifo, TempPath(QStringLiteral("cut.mp3")))));
    stopper.join();
    EXPECT_EQ(encoder.LastExitCode(), 128 + SIGKILL);
    const qint64 killed = encoder.LastProcessId();

    const QString source = MakeClip({QStringLiteral("resident.mp4"), 2.0, true, false});
    ASSERT_TRUE(Convert(encoder, CommandLine(source, TempPath(QStringLiteral("next.mp3")))));
    EXPECT_EQ(encoder.LastExitCode(), 0) << m_output.toStdString();
    EXPECT_NE(encoder.LastProcessId(), killed);
    EXPECT_EQ(::kill(static_cast<pid_t>(killed), 0), -1) << "the killed encoder was not reaped";
}

// Another program may end every encoder by name while this one is idle.
TEST_F(ResidentEncoderTest, AnIdleEncoderEndedFromOutsideIsReplaced)
{
    const QString source = MakeClip({QStringLiteral("resident.mp4"), 2.0, true, false});
    TResidentEncoder encoder;
    ASSERT_TRUE(Convert(encoder, CommandLine(source, TempPath(QStringLiteral("one.mp3")))));
    const qint64 first = encoder.LastProcessId();
    ASSERT_EQ(::kill(static_cast<pid_t>(first), SIGKILL), 0);
    WaitUntilEnded(first);

    ASSERT_TRUE(Convert(encoder, CommandLine(source, TempPath(QStringLiteral("two.mp3")))));
    EXPECT_EQ(encoder.LastExitCode(), 0) << m_output.toStdString();
    EXPECT_NE(encoder.LastProcessId(), first);
}

TEST_F(ResidentEncoderTest, AnEncoderThatCannotStartIsReportedAndLeavesNothing)
{
    TResidentEncoder encoder;
    const QString missing = TempPath(QStringLiteral("no-such-folder/evc.exe"));
    EXPECT_FALSE(Convert(encoder, missing + QStringLiteral(" -y -i \"a.mp4\" \"b.mp3\"")));
    EXPECT_FALSE(encoder.LastError().isEmpty());
    EXPECT_EQ(encoder.LastProcessId(), 0);
    EXPECT_FALSE(encoder.TerminateChild());
}

TEST_F(ResidentEncoderTest, AnIdleEncoderEndsWithItsOwner)
{
    const QString source = MakeClip({QStringLiteral("resident.mp4"), 2.0, true, false});
    qint64 pid = 0;
    {
        TResidentEncoder encoder;
        ASSERT_TRUE(Convert(encoder, CommandLine(source, TempPath(QStringLiteral("one.mp3")))));
        pid = encoder.LastProcessId();
    }
    // Ended and reaped: not even a zombie is left.
    EXPECT_EQ(::kill(static_cast<pid_t>(pid), 0), -1);
}

} // namespace
