#include "BatchConverter.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "AppErrors.h"
#include "FuncObjects.h"
#include "ResidentEncoder.h"
#include "Unit_CommonLib.h"

// One file in conversion: what its command line is and what its runner saw.
struct RecBatchJob
{
    RecBatchSource Source;
    RecConversionJob Formed;
    double Seconds = 0;
    // The job slot's encoder, which no other running job uses.
    TResidentEncoder *Runner = nullptr;
    std::thread Thread;
    // Written by the job's thread under the converter's lock.
    QString OutputTail;
    double DoneSeconds = 0;
    bool Ended = false;
    bool Started = false;
    int ExitCode = -1;
    qint64 ProcessId = 0;
};

namespace {

constexpr int ReserveAttempts = 100;

void Print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

QString FileNameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

QString Clock(double seconds)
{
    return TCommonLib::SecondsToTimeText(static_cast<qint64>(std::max(0.0, seconds)));
}

int TerminalWidth()
{
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20)
        return size.ws_col;
    return 80;
}

// A live line longer than the terminal would wrap, and the display would
// no longer know how many lines to redraw.
QString Fit(const QString &line, int width)
{
    return line.size() < width ? line : line.left(width - 2) + QStringLiteral("…");
}

// The encoder's progress report: "size=    12kB time=3.45 bitrate= 128.0kbits/s".
double ReportedSeconds(const QString &chunk, double previous)
{
    static const QRegularExpression time(QStringLiteral("time=([0-9]+(?:\\.[0-9]*)?)"));
    double seconds = previous;
    auto matches = time.globalMatch(chunk);
    while (matches.hasNext())
        seconds = matches.next().captured(1).toDouble();
    return seconds;
}

// Takes an output name for this job alone. The name service may already
// have created the file for us; otherwise it is created here, exclusively,
// so that a window or another program choosing a name at the same moment
// cannot take it too.
bool ReserveOutput(const QString &path, bool *taken, QString *error)
{
    *taken = false;
    if (QFileInfo::exists(path))
        return true;
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno == EEXIST) {
        *taken = true;
        return false;
    }
    *error = QStringLiteral("cannot create the output file %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

} // namespace

TBatchConverter::TBatchConverter(const RecBatchOptions &options, QList<RecBatchSource> sources)
    : m_options(options), m_queue(std::move(sources)), m_terminal(::isatty(STDOUT_FILENO) == 1)
{
    for (int slot = 0; slot < std::max(1, m_options.Jobs); ++slot)
        m_encoders.push_back(std::make_unique<TResidentEncoder>());
}

TBatchConverter::~TBatchConverter()
{
    for (auto &job : m_running) {
        job->Runner->TerminateChild();
        if (job->Thread.joinable())
            job->Thread.join();
    }
}

bool TBatchConverter::FormJob(const RecBatchSource &source, RecBatchJob &job, QString *error)
{
    RecConversionChoices choices;
    try {
        if (!ChoicesForSource(m_options, source, &choices)) {
            *error = QStringLiteral("the segment from %1 to %2 holds nothing of this file")
                         .arg(choices.SegmentStart, choices.SegmentEnd);
            return false;
        }
        for (int attempt = 0; attempt < ReserveAttempts; ++attempt) {
            const RecConversionJob formed = FormConversion(choices, source.FileName, AppFunc->GetAppPath());
            bool taken = false;
            if (ReserveOutput(formed.OutputPath, &taken, error)) {
                job.Source = source;
                job.Formed = formed;
                job.Seconds = formed.SegmentLength.toDouble();
                return true;
            }
            if (!taken)
                return false;
        }
        *error = QStringLiteral("no free output name could be reserved");
    } catch (const EAppError &failure) {
        *error = failure.Message();
    }
    return false;
}

TBatchConverter::StartResult TBatchConverter::MaybeStartNextJob()
{
    if (m_queue.isEmpty())
        return StartResult::NoMoreJobs;
    if (static_cast<int>(m_running.size()) >= m_options.Jobs)
        return StartResult::AllThreadsBusy;

    const RecBatchSource source = m_queue.takeFirst();
    auto job = std::make_unique<RecBatchJob>();
    QString error;
    if (!FormJob(source, *job, &error)) {
        m_results.append({source.FileName, QString(), RecBatchResult::Outcome::Failed, error});
        Announce(QStringLiteral("failed    %1: %2").arg(source.FileName, error));
        return StartResult::FailedToStart;
    }
    try {
        AppFunc->WriteLog(QStringLiteral("parameter: ") + job->Formed.CommandLine);
    } catch (const EAppError &) {
        // The log is a record, not a condition of converting.
    }

    for (const auto &encoder : m_encoders) {
        if (std::none_of(m_running.begin(), m_running.end(),
                         [&encoder](const auto &other) { return other->Runner == encoder.get(); })) {
            job->Runner = encoder.get();
            break;
        }
    }
    RecBatchJob *running = job.get();
    running->Thread = std::thread([this, running] {
        const bool started = running->Runner->RunConsoleProgram(running->Formed.CommandLine, [this, running](const QString &chunk) {
            const std::lock_guard<std::mutex> lock(m_lock);
            running->OutputTail = (running->OutputTail + chunk).right(4096);
            running->DoneSeconds = ReportedSeconds(chunk, running->DoneSeconds);
        });
        {
            const std::lock_guard<std::mutex> lock(m_lock);
            running->Started = started;
            running->ExitCode = running->Runner->LastExitCode();
            running->ProcessId = running->Runner->LastProcessId();
            running->Ended = true;
        }
        m_jobEnded.notify_all();
    });
    m_running.push_back(std::move(job));
    return StartResult::Started;
}

void TBatchConverter::JobComplete(RecBatchJob &job, bool stopped)
{
    RecBatchResult result{job.Source.FileName, job.Formed.OutputPath, RecBatchResult::Outcome::Converted, QString()};
    if (job.Started && job.ExitCode == 0) {
        Announce(QStringLiteral("converted %1 -> %2").arg(job.Source.FileName, job.Formed.OutputPath));
    } else {
        // What an encoder leaves behind when it fails or is stopped is no
        // finished file, and the reserved name is free again.
        QFile::remove(job.Formed.OutputPath);
        RemovePartialOutput(job.Formed.OutputPath, job.ProcessId);
        if (stopped) {
            result.Result = RecBatchResult::Outcome::Stopped;
            Announce(QStringLiteral("stopped   %1").arg(job.Source.FileName));
        } else {
            result.Result = RecBatchResult::Outcome::Failed;
            if (!job.Started)
                result.Reason = QStringLiteral("the encoder could not be started");
            else if (job.ExitCode > 128)
                // Its last line is then only a progress report.
                result.Reason = QStringLiteral("the encoder was ended from outside by signal %1").arg(job.ExitCode - 128);
            else
                result.Reason = StrFunc->GetLastLine(job.OutputTail);
            if (result.Reason.isEmpty())
                result.Reason = QStringLiteral("the encoder ended with status %1").arg(job.ExitCode);
            Announce(QStringLiteral("failed    %1: %2").arg(job.Source.FileName, result.Reason));
        }
    }
    m_doneSeconds += job.Seconds;
    m_results.append(result);
}

void TBatchConverter::Run(const std::function<bool()> &stopRequested)
{
    m_startTime = std::chrono::steady_clock::now();
    m_total = m_queue.size();
    for (const RecBatchSource &source : m_queue) {
        RecConversionChoices choices;
        if (ChoicesForSource(m_options, source, &choices))
            m_totalSeconds += TCommonLib::TimeTextToSeconds(choices.SegmentEnd)
                - TCommonLib::TimeTextToSeconds(choices.SegmentStart);
    }

    bool stopping = false;
    for (;;) {
        stopping = stopping || stopRequested();
        if (stopping) {
            // Again at every pass: a runner may only now have started its child.
            for (auto &job : m_running)
                job->Runner->TerminateChild();
        } else {
            StartResult started;
            do
                started = MaybeStartNextJob();
            while (started == StartResult::Started || started == StartResult::FailedToStart);
        }
        if (m_running.empty() && (stopping || m_queue.isEmpty()))
            break;

        std::list<std::unique_ptr<RecBatchJob>> ended;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_jobEnded.wait_for(lock, std::chrono::milliseconds(100), [this] {
                return std::any_of(m_running.begin(), m_running.end(), [](const auto &job) { return job->Ended; });
            });
            for (auto it = m_running.begin(); it != m_running.end();) {
                if ((*it)->Ended) {
                    ended.push_back(std::move(*it));
                    it = m_running.erase(it);
                } else {
                    ++it;
                }
            }
        }
        // An interrupt from the terminal reaches the encoders too; a job that
        // ended by it counts as stopped, not as failed.
        stopping = stopping || stopRequested();
        for (auto &job : ended) {
            job->Thread.join();
            JobComplete(*job, stopping);
        }
        ShowProgress();
    }
    ShowProgress();
}

void TBatchConverter::PrintCommandLines()
{
    QStringList reserved;
    while (!m_queue.isEmpty()) {
        const RecBatchSource source = m_queue.takeFirst();
        RecBatchJob job;
        QString error;
        if (FormJob(source, job, &error)) {
            reserved << job.Formed.OutputPath;
            Print(stdout, job.Formed.CommandLine + QLatin1Char('\n'));
        } else {
            m_results.append({source.FileName, QString(), RecBatchResult::Outcome::Failed, error});
            Print(stderr, QStringLiteral("sonabrix-batch: %1: %2\n").arg(source.FileName, error));
        }
    }
    std::fflush(stdout);
    for (const QString &path : reserved)
        QFile::remove(path);
}

void TBatchConverter::Announce(const QString &line)
{
    if (m_terminal) {
        m_announcements << line;
    } else {
        Print(stdout, line + QLatin1Char('\n'));
        std::fflush(stdout);
    }
}

void TBatchConverter::ShowProgress()
{
    if (!m_terminal)
        return;
    const int width = TerminalWidth();
    QString text;
    if (m_liveLines > 0)
        text += QStringLiteral("\x1b[%1A\r").arg(m_liveLines);
    text += QStringLiteral("\x1b[J");
    for (const QString &line : std::as_const(m_announcements))
        text += line + QLatin1Char('\n');
    m_announcements.clear();
    m_liveLines = 0;
    {
        double running = 0;
        {
            const std::lock_guard<std::mutex> lock(m_lock);
            for (const auto &job : m_running) {
                const double done = std::min(job->DoneSeconds, job->Seconds);
                running += done;
                const int percent = job->Seconds > 0 ? static_cast<int>(100 * done / job->Seconds) : 0;
                text += Fit(QStringLiteral("%1% %2 -> %3")
                                .arg(percent, 3)
                                .arg(FileNameOf(job->Source.FileName), FileNameOf(job->Formed.OutputPath)),
                            width)
                    + QLatin1Char('\n');
                ++m_liveLines;
            }
        }
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_startTime).count();
        const double done = m_doneSeconds + running;
        const double share = m_totalSeconds > 0 ? std::min(1.0, done / m_totalSeconds) : 0;
        constexpr int BarWidth = 30;
        const int filled = static_cast<int>(share * BarWidth);
        const QString left = done > 0 && elapsed > 0.5
            ? Clock(elapsed * (m_totalSeconds - done) / done)
            : QStringLiteral("--:--:--");
        text += Fit(QStringLiteral("[%1%2] %3/%4 files  elapsed %5  left %6")
                        .arg(QString(filled, QLatin1Char('#')), QString(BarWidth - filled, QLatin1Char('-')))
                        .arg(m_results.size())
                        .arg(m_total)
                        .arg(Clock(elapsed), left),
                    width)
            + QLatin1Char('\n');
        ++m_liveLines;
    }
    Print(stdout, text);
    std::fflush(stdout);
}
