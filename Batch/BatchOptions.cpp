#include "BatchOptions.h"

#include <sched.h>

#include <algorithm>
#include <thread>

#include <QCommandLineParser>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include "AppErrors.h"
#include "FuncObjects.h"
#include "IniFiles32.h"
#include "Unit_CommonLib.h"
#include "Unit_ConfigInfo.h"

namespace {

QString AllowedText(const QStringList &values)
{
    return QStringLiteral("allowed values: ") + values.join(QStringLiteral(", "));
}

QString BadValue(const QString &option, const QString &value, const QString &allowed)
{
    return QStringLiteral("invalid value '%1' for --%2; %3").arg(value, option, allowed);
}

// A value of one of the options dialog's lists, exactly as the list shows it.
bool ListValue(const QCommandLineParser &parser, const QString &option, const QStringList &choiceList,
               QString *choice, QString *error)
{
    if (!parser.isSet(option))
        return true;
    const QString value = parser.value(option).trimmed();
    const QStringList items = ChoiceItems(choiceList);
    if (!items.contains(value)) {
        *error = BadValue(option, value, AllowedText(items));
        return false;
    }
    *choice = value;
    return true;
}

bool ChannelsValue(const QCommandLineParser &parser, QString *choice, QString *error)
{
    if (!parser.isSet(QStringLiteral("channels")))
        return true;
    const QString value = parser.value(QStringLiteral("channels")).trimmed();
    const QStringList captions = ChoiceItems(GetAudioChannelList());
    const QStringList words = {QStringLiteral("mono"), QStringLiteral("stereo")};
    for (int i = 0; i < captions.size(); ++i) {
        if (value == captions[i].left(1) || value.compare(captions[i], Qt::CaseInsensitive) == 0
            || (i < words.size() && value.compare(words[i], Qt::CaseInsensitive) == 0)) {
            *choice = captions[i];
            return true;
        }
    }
    *error = BadValue(QStringLiteral("channels"), value,
                      QStringLiteral("allowed values: 1 (mono), 2 (stereo)"));
    return false;
}

// Time text of the source list: hours of at least two digits, then minutes
// and seconds of two digits each, below 60.
bool TimeValue(const QCommandLineParser &parser, const QString &option, QString *time, QString *error)
{
    if (!parser.isSet(option))
        return true;
    const QString value = parser.value(option).trimmed();
    static const QRegularExpression form(QStringLiteral("^\\d{2,6}:[0-5]\\d:[0-5]\\d$"));
    if (!form.match(value).hasMatch()) {
        *error = BadValue(option, value, QStringLiteral("allowed values: a time HH:MM:SS, such as 00:01:30"));
        return false;
    }
    *time = value;
    return true;
}

bool TypeValue(const QCommandLineParser &parser, int *type, QString *error)
{
    const QStringList names = OutputTypeNames();
    if (!parser.isSet(QStringLiteral("type"))) {
        *error = QStringLiteral("--type is required; ") + AllowedText(names);
        return false;
    }
    const QString value = parser.value(QStringLiteral("type")).trimmed();
    for (int i = 0; i < names.size(); ++i) {
        if (value.compare(names[i], Qt::CaseInsensitive) == 0) {
            *type = i;
            return true;
        }
    }
    *error = BadValue(QStringLiteral("type"), value, AllowedText(names));
    return false;
}

// A quality level by number, by its caption or by the caption's first word.
bool QualityValue(const QCommandLineParser &parser, int *quality, QString *error)
{
    if (!parser.isSet(QStringLiteral("quality")))
        return true;
    const QString value = parser.value(QStringLiteral("quality")).trimmed();
    const QStringList captions = ChoiceItems(GetQualityList());
    QStringList allowed;
    for (int i = 0; i < captions.size(); ++i) {
        if (value == QString::number(i) || value.compare(captions[i], Qt::CaseInsensitive) == 0
            || value.compare(captions[i].section(QLatin1Char(' '), 0, 0), Qt::CaseInsensitive) == 0) {
            *quality = i;
            return true;
        }
        allowed << QStringLiteral("%1 \"%2\"").arg(i).arg(captions[i]);
    }
    *error = BadValue(QStringLiteral("quality"), value, AllowedText(allowed));
    return false;
}

// A custom profile of the program's Config/UserProfileInfo.ini, as the main
// window lists them after the quality levels.
bool ProfileValue(const QCommandLineParser &parser, RecConversionChoices *choices, QString *error)
{
    if (!parser.isSet(QStringLiteral("profile")))
        return true;
    const QString name = parser.value(QStringLiteral("profile"));
    QStringList names;
    QString profile;
    try {
        const TIniFile32 profiles(AppFunc->GetDataPath() + QStringLiteral("Config/UserProfileInfo.ini"));
        profiles.ReadSections(&names);
        profile = profiles.ReadString(name, name, QString());
    } catch (const EAppError &failure) {
        *error = failure.Message();
        return false;
    }
    const int index = names.indexOf(name);
    if (index < 0) {
        *error = BadValue(QStringLiteral("profile"), name,
                          names.isEmpty() ? QStringLiteral("no custom profile is stored")
                                          : AllowedText(names));
        return false;
    }
    choices->Quality = 5 + index;
    choices->CustomProfile = profile;
    bool applied = false;
    try {
        applied = ApplyCustomProfileString(*choices, profile);
    } catch (const EConvertError &) {
        applied = false;
    }
    if (!applied) {
        *error = QStringLiteral("the custom profile '%1' holds no valid settings ('%2')").arg(name, profile);
        return false;
    }
    return true;
}

bool JobsValue(const QCommandLineParser &parser, int *jobs, QString *error)
{
    // The cores this process may run on, as nproc counts them.
    cpu_set_t cores;
    CPU_ZERO(&cores);
    *jobs = sched_getaffinity(0, sizeof cores, &cores) == 0 ? CPU_COUNT(&cores)
                                                            : static_cast<int>(std::thread::hardware_concurrency());
    *jobs = std::max(1, *jobs);
    if (!parser.isSet(QStringLiteral("jobs")))
        return true;
    const QString value = parser.value(QStringLiteral("jobs")).trimmed();
    bool ok = false;
    const int count = value.toInt(&ok);
    if (!ok || count < 1 || count > 256) {
        *error = BadValue(QStringLiteral("jobs"), value, QStringLiteral("allowed values: a whole number from 1 to 256"));
        return false;
    }
    *jobs = count;
    return true;
}

QString Clean(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

bool ParseBatchCommandLine(const QStringList &arguments, RecBatchOptions *options, QString *error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Converts the sound of media files into audio files with the Sonabrix encoder, several at once.\n"
        "Choices not given are those of a fresh start of Sonabrix (quality \"Normal Quality\", volume 200).\n"
        "Exit status: 0 when every file converted, 1 when any failed or could not be read, 2 for a bad\n"
        "command line, 130 when stopped by Ctrl-C."));
    parser.addHelpOption();
    parser.addVersionOption();
    const auto types = OutputTypeNames().join(QLatin1Char('|'));
    parser.addOptions({
        {QStringLiteral("type"), QStringLiteral("Output type (required): %1.").arg(types), QStringLiteral("TYPE")},
        {QStringLiteral("quality"), QStringLiteral("Quality level 0 to 4 or its name (default 2, \"Normal Quality\")."),
         QStringLiteral("LEVEL")},
        {QStringLiteral("profile"), QStringLiteral("A custom profile from Config/UserProfileInfo.ini."),
         QStringLiteral("NAME")},
        {QStringLiteral("bitrate"), QStringLiteral("Audio bitrate in kbit/s: %1.")
                                        .arg(ChoiceItems(GetAudioBitrateList()).join(QLatin1Char('|'))),
         QStringLiteral("KBPS")},
        {QStringLiteral("sample-rate"), QStringLiteral("Sample rate in Hz: %1.")
                                            .arg(ChoiceItems(GetAudioSampleList()).join(QLatin1Char('|'))),
         QStringLiteral("HZ")},
        {QStringLiteral("channels"), QStringLiteral("Channels: 1 (mono) or 2 (stereo)."), QStringLiteral("N")},
        {QStringLiteral("volume"), QStringLiteral("Volume in percent: 0 to 500 in steps of 25 (default 200)."),
         QStringLiteral("PERCENT")},
        {QStringLiteral("start"), QStringLiteral("Start of the segment to convert (default: the beginning)."),
         QStringLiteral("HH:MM:SS")},
        {QStringLiteral("end"), QStringLiteral("End of the segment to convert (default: the end of each file)."),
         QStringLiteral("HH:MM:SS")},
        {QStringLiteral("output"), QStringLiteral("Output folder (default %1).").arg(DefaultOutputFolder()),
         QStringLiteral("DIR")},
        {QStringLiteral("jobs"), QStringLiteral("Files converted at once (default: the number of cores)."),
         QStringLiteral("N")},
        {QStringLiteral("dry-run"), QStringLiteral("Print each encoder command line; convert nothing.")},
        {QStringLiteral("R"), QStringLiteral("Search folders recursively.")},
    });
    parser.addPositionalArgument(QStringLiteral("FILE|FOLDER"),
                                 QStringLiteral("Media files, or folders searched for the supported types."),
                                 QStringLiteral("FILE|FOLDER..."));

    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    RecConversionChoices choices = StartUpChoices();
    if (!TypeValue(parser, &choices.OutputType, error) || !QualityValue(parser, &choices.Quality, error))
        return false;
    if (parser.isSet(QStringLiteral("quality")) && parser.isSet(QStringLiteral("profile"))) {
        *error = QStringLiteral("--quality and --profile exclude each other: a profile sets the quality");
        return false;
    }
    // As in the main window: the chosen type brings its quality profile,
    // a custom profile then sets the options, the options dialog overrides.
    ApplyQualityProfile(choices);
    if (!ProfileValue(parser, &choices, error)
        || !ListValue(parser, QStringLiteral("bitrate"), GetAudioBitrateList(), &choices.AudioBitrate, error)
        || !ListValue(parser, QStringLiteral("sample-rate"), GetAudioSampleList(), &choices.AudioSample, error)
        || !ChannelsValue(parser, &choices.AudioChannels, error)
        || !ListValue(parser, QStringLiteral("volume"), GetVolumeList(), &choices.Volume, error)
        || !TimeValue(parser, QStringLiteral("start"), &options->SegmentStart, error)
        || !TimeValue(parser, QStringLiteral("end"), &options->SegmentEnd, error)
        || !JobsValue(parser, &options->Jobs, error))
        return false;
    if (!options->SegmentStart.isEmpty() && !options->SegmentEnd.isEmpty()
        && TCommonLib::TimeTextToSeconds(options->SegmentEnd) <= TCommonLib::TimeTextToSeconds(options->SegmentStart)) {
        *error = QStringLiteral("--end %1 does not lie after --start %2").arg(options->SegmentEnd, options->SegmentStart);
        return false;
    }
    if (parser.isSet(QStringLiteral("output"))) {
        if (parser.value(QStringLiteral("output")).isEmpty()) {
            *error = QStringLiteral("--output needs a folder");
            return false;
        }
        // The encoder runs in the program's folder: a relative folder would
        // name another place there.
        choices.OutputFolder = QFileInfo(parser.value(QStringLiteral("output"))).absoluteFilePath();
    }
    options->Arguments = parser.positionalArguments();
    if (options->Arguments.isEmpty()) {
        *error = QStringLiteral("no FILE or FOLDER given");
        return false;
    }
    options->Choices = choices;
    options->DryRun = parser.isSet(QStringLiteral("dry-run"));
    options->Recursive = parser.isSet(QStringLiteral("R"));
    return true;
}

QList<RecBatchSource> GatherSources(const RecBatchOptions &options, QList<RecSkippedFile> *skipped)
{
    const QStringList supported = SupportedExtensions();
    QStringList candidates;
    QList<bool> named;
    for (const QString &argument : options.Arguments) {
        const QFileInfo info(argument);
        if (info.isDir()) {
            QStringList found;
            QDirIterator it(argument, QDir::Files | QDir::Hidden,
                            options.Recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
            while (it.hasNext()) {
                const QString path = it.next();
                if (supported.contains(FileExtension(path).toLower()))
                    found << path;
            }
            found.sort();
            candidates << found;
            for (int i = 0; i < found.size(); ++i)
                named << false;
        } else {
            candidates << argument;
            named << true;
        }
    }

    QList<RecBatchSource> sources;
    QSet<QString> seen;
    for (int i = 0; i < candidates.size(); ++i) {
        const QString path = Clean(candidates[i]);
        if (seen.contains(path)) {
            skipped->append({path, QStringLiteral("listed more than once"), true});
            continue;
        }
        seen.insert(path);
        if (named[i] && !QFileInfo::exists(path)) {
            skipped->append({path, QStringLiteral("no such file")});
            continue;
        }
        if (named[i] && !supported.contains(FileExtension(path).toLower())) {
            skipped->append({path, QStringLiteral("not a supported file type")});
            continue;
        }
        const int seconds = TCommonLib::ProbeDurationSeconds(path);
        if (seconds <= 0) {
            skipped->append({path, QStringLiteral("Files reading error! Please check your files.")});
            continue;
        }
        sources.append({path, seconds});
    }
    return sources;
}

bool ChoicesForSource(const RecBatchOptions &options, const RecBatchSource &source, RecConversionChoices *choices)
{
    *choices = options.Choices;
    // Every row of the window's list carries a segment, the whole file by
    // default, so the same choices give the same command line.
    choices->HasSegment = true;
    choices->SegmentStart = options.SegmentStart.isEmpty() ? QStringLiteral("00:00:00") : options.SegmentStart;
    choices->SegmentEnd = options.SegmentEnd.isEmpty() ? TCommonLib::SecondsToTimeText(source.DurationSeconds)
                                                       : options.SegmentEnd;
    return TCommonLib::TimeTextToSeconds(choices->SegmentEnd) > TCommonLib::TimeTextToSeconds(choices->SegmentStart);
}
