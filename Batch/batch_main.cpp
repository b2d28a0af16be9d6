// sonabrix-batch: converts media files from the command line, several at
// once, with the same choices and the same encoder as the window.
#include <csignal>
#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QDir>

extern "C" {
#include <libavutil/log.h>
}

#include "BatchConverter.h"
#include "BatchOptions.h"
#include "FuncObjects.h"
#include "PlatformLayer.h"

namespace {

volatile std::sig_atomic_t StopSignal = 0;

void OnStopSignal(int signal)
{
    StopSignal = signal;
}

void InstallStopHandlers()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

// The command has no window: nothing waits for a person, and the runner's
// pause after each output chunk, which paces the progress window, has
// nothing to pace.
class TBatchPlatform final : public TQuietPlatform
{
public:
    int MessageBox(const QString &caption, const QString &text, MessageKind) override
    {
        std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(), text.toLocal8Bit().constData());
        return 1;
    }
    void EndProgram() override { std::_Exit(1); }
};

void Print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sonabrix-batch"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SONABRIX_VERSION));
    av_log_set_level(AV_LOG_QUIET);
    SetPlatform(std::make_unique<TBatchPlatform>());
    CreateFuncObjects();

    RecBatchOptions options;
    QString error;
    if (!ParseBatchCommandLine(QCoreApplication::arguments(), &options, &error)) {
        Print(stderr, QStringLiteral("sonabrix-batch: %1\nTry 'sonabrix-batch --help' for more information.\n").arg(error));
        return 2;
    }
    if (!QDir().mkpath(options.Choices.OutputFolder)) {
        Print(stderr, QStringLiteral("sonabrix-batch: the output folder %1 cannot be created\n").arg(options.Choices.OutputFolder));
        return 2;
    }
    InstallStopHandlers();

    QList<RecSkippedFile> skipped;
    const QList<RecBatchSource> sources = GatherSources(options, &skipped);
    int unreadable = 0;
    for (const RecSkippedFile &file : std::as_const(skipped)) {
        Print(stderr, QStringLiteral("sonabrix-batch: skipped %1: %2\n").arg(file.FileName, file.Reason));
        unreadable += file.Duplicate ? 0 : 1;
    }

    TBatchConverter converter(options, sources);
    if (options.DryRun) {
        converter.PrintCommandLines();
        return converter.Results().isEmpty() && unreadable == 0 ? 0 : 1;
    }
    if (!sources.isEmpty())
        converter.Run([] { return StopSignal != 0; });

    int converted = 0, stopped = 0;
    QStringList failed;
    for (const RecBatchResult &result : converter.Results()) {
        if (result.Result == RecBatchResult::Outcome::Converted)
            ++converted;
        else if (result.Result == RecBatchResult::Outcome::Stopped)
            ++stopped;
        else
            failed << QStringLiteral("  %1: %2\n").arg(result.SourceFile, result.Reason);
    }
    QString summary = QStringLiteral("Converted: %1\nFailed: %2\n").arg(converted).arg(failed.size()) + failed.join(QString());
    summary += QStringLiteral("Skipped: %1\n").arg(skipped.size());
    for (const RecSkippedFile &file : std::as_const(skipped))
        summary += QStringLiteral("  %1: %2\n").arg(file.FileName, file.Reason);
    if (StopSignal != 0)
        summary += QStringLiteral("Stopped: %1 in conversion (partial output removed), %2 not started\n")
                       .arg(stopped)
                       .arg(converter.NotStarted());
    Print(stdout, summary);
    std::fflush(stdout);

    if (StopSignal != 0)
        return 130;
    if (sources.isEmpty() && skipped.isEmpty())
        Print(stderr, QStringLiteral("sonabrix-batch: no media files of the supported types were found\n"));
    return failed.isEmpty() && unreadable == 0 && !sources.isEmpty() ? 0 : 1;
}
