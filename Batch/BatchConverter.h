#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include <QList>
#include <QString>
#include <QStringList>

#include "BatchOptions.h"

struct RecBatchJob;
class TResidentEncoder;

// How a file of the batch ended.
struct RecBatchResult
{
    enum class Outcome { Converted, Failed, Stopped };
    QString SourceFile;
    QString OutputPath;
    Outcome Result = Outcome::Failed;
    // For a failed file: the encoder's last line, or why it never started.
    QString Reason;
};

// Converts a queue of files with up to a given number of encoders at once.
// Each job slot keeps one resident encoder process, which converts its
// files one after another, watched on a thread of the job's own;
// the converter forms command lines and chooses output names on its own
// thread only, one at a time, so names never clash between jobs. It stops
// only encoders it started, by their runner.
class TBatchConverter final
{
public:
    TBatchConverter(const RecBatchOptions &options, QList<RecBatchSource> sources);
    ~TBatchConverter();
    TBatchConverter(const TBatchConverter &) = delete;
    TBatchConverter &operator=(const TBatchConverter &) = delete;

    // Runs the queue to its end, or until stopRequested() answers true; then
    // it ends the running encoders and removes their partial outputs.
    // Progress goes to standard output: live lines on a terminal, else one
    // line per finished file.
    void Run(const std::function<bool()> &stopRequested);

    // Forms every command line, reserving its output name as a real run
    // would, prints them and removes the reservations again.
    void PrintCommandLines();

    const QList<RecBatchResult> &Results() const { return m_results; }
    // Files never started because the run was stopped.
    int NotStarted() const { return m_queue.size(); }

private:
    enum class StartResult { Started, FailedToStart, NoMoreJobs, AllThreadsBusy };
    StartResult MaybeStartNextJob();
    void JobComplete(RecBatchJob &job, bool stopped);
    // Forms the conversion of a source and reserves its output name.
    bool FormJob(const RecBatchSource &source, RecBatchJob &job, QString *error);
    // Redraws the live block on a terminal: one line per running job and the
    // overall bar, with the finished files' lines above it.
    void ShowProgress();
    void Announce(const QString &line);

    RecBatchOptions m_options;
    QList<RecBatchSource> m_queue;
    // One encoder a job slot; they outlive the jobs that use them.
    std::vector<std::unique_ptr<TResidentEncoder>> m_encoders;
    std::list<std::unique_ptr<RecBatchJob>> m_running;
    QList<RecBatchResult> m_results;

    std::mutex m_lock;
    std::condition_variable m_jobEnded;

    // Progress display.
    bool m_terminal = false;
    int m_liveLines = 0;
    int m_total = 0;
    double m_totalSeconds = 0;
    double m_doneSeconds = 0;
    QStringList m_announcements;
    std::chrono::steady_clock::time_point m_startTime;
};
