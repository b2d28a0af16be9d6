#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "ConversionJob.h"

// A source file the command will convert, with what the probe measured.
struct RecBatchSource
{
    QString FileName;
    int DurationSeconds = 0;
};

// A file named on the command line that will not be converted, and why.
struct RecSkippedFile
{
    QString FileName;
    QString Reason;
    // Duplicates are harmless; every other skip means a file was not converted.
    bool Duplicate = false;
};

// Everything the command line asks for.
struct RecBatchOptions
{
    RecConversionChoices Choices;
    // Segment bounds as given; empty for the start or the end of each file.
    QString SegmentStart;
    QString SegmentEnd;
    int Jobs = 1;
    bool DryRun = false;
    bool Recursive = false;
    QStringList Arguments;
};

// Reads the command line into options. On a bad command line it returns
// false and sets *error to a message that names the allowed values.
// --help and --version print and end the program.
bool ParseBatchCommandLine(const QStringList &arguments, RecBatchOptions *options, QString *error);

// Expands the file and folder arguments into the sources to convert, in
// the order given (folders sorted by name), probing each file; duplicates,
// unsupported and unreadable files are skipped with their reason.
QList<RecBatchSource> GatherSources(const RecBatchOptions &options, QList<RecSkippedFile> *skipped);

// The choices for one source: the command's choices with the file's segment.
// False when the segment is empty for this file.
bool ChoicesForSource(const RecBatchOptions &options, const RecBatchSource &source, RecConversionChoices *choices);
