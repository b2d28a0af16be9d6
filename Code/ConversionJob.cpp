#include "ConversionJob.h"

#include <array>

#include <unistd.h>

#include <QDir>
#include <QFile>

#include "AppErrors.h"
#include "FuncObjects.h"
#include "PartialOutput.h"
#include "Unit_CommonLib.h"
#include "Unit_ConfigInfo.h"

namespace {

QString CatalogueEntryAt(const QStringList &list, int index)
{
    return index >= 0 && index < list.size() ? list[index] : QString();
}

QString FragmentOrFallback(const QString &option, const QString &value, const QString &fallback)
{
    return value.isEmpty() ? fallback : option + value;
}

// A profile field names a choice and the list its index selects in, in the
// order of a profile string.
struct ProfileField
{
    QString RecConversionChoices::*Choice;
    QStringList (*List)();
};

const std::array<ProfileField, 6> &ProfileFields()
{
    static const std::array<ProfileField, 6> fields = {{
        {&RecConversionChoices::VideoSize, GetVideoSizeList},
        {&RecConversionChoices::FrameRate, GetFrameRateList},
        {&RecConversionChoices::VideoBitrate, GetVideoBitrateList},
        {&RecConversionChoices::AudioBitrate, GetAudioBitrateList},
        {&RecConversionChoices::AudioChannels, GetAudioChannelList},
        {&RecConversionChoices::AudioSample, GetAudioSampleList},
    }};
    return fields;
}

} // namespace

int ProfileFieldToIndex(const QString &field)
{
    bool ok = false;
    const int index = field.toInt(&ok);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(field));
    return index;
}

// --- Catalogue look-ups ---------------------------------------------------------

QStringList ChoiceItems(const QStringList &choiceList)
{
    return choiceList.mid(0, choiceList.size() - 1);
}

QString ChoiceAt(const QStringList &choiceList, int index)
{
    return CatalogueEntryAt(ChoiceItems(choiceList), index);
}

QString DefaultChoice(const QStringList &choiceList)
{
    return choiceList.isEmpty() ? QString() : ChoiceAt(choiceList, choiceList.last().toInt());
}

QStringList OutputTypeNames()
{
    QStringList names;
    for (const QString &extension : GetExtensionList())
        names << extension.mid(1);
    return names;
}

QString DefaultOutputFolder()
{
    return QDir::homePath() + QStringLiteral("/sonabrix");
}

RecConversionChoices StartUpChoices()
{
    RecConversionChoices choices;
    choices.OutputType = GetOutputTypeList().last().toInt();
    choices.Quality = GetQualityList().last().toInt();
    choices.AspectRatio = DefaultChoice(GetAspectRatioList());
    choices.VideoBitrate = DefaultChoice(GetVideoBitrateList());
    choices.AudioBitrate = DefaultChoice(GetAudioBitrateList());
    choices.AudioChannels = DefaultChoice(GetAudioChannelList());
    choices.FrameRate = DefaultChoice(GetFrameRateList());
    choices.AudioSample = DefaultChoice(GetAudioSampleList());
    choices.Volume = DefaultChoice(GetVolumeList());
    choices.VideoSize = DefaultChoice(GetVideoSizeList());
    choices.OutputFolder = DefaultOutputFolder();
    ApplyQualityProfile(choices);
    return choices;
}

void ApplyQualityProfile(RecConversionChoices &choices)
{
    if (choices.Quality < 0 || choices.Quality > 4)
        return;
    const QStringList profiles = GetProfileListOfType(choices.OutputType);
    if (profiles.isEmpty())
        return;
    const QStringList fields = TCommonLib::SplitByDelimiter(profiles[choices.Quality], QLatin1Char('|'));
    for (int i = 0; i < int(ProfileFields().size()) && i < fields.size(); ++i) {
        if (fields[i] == QLatin1String("none"))
            continue;
        const ProfileField &field = ProfileFields()[i];
        choices.*field.Choice = ChoiceAt(field.List(), ProfileFieldToIndex(fields[i]));
    }
}

bool ApplyCustomProfileString(RecConversionChoices &choices, const QString &profile)
{
    const QStringList fields = TCommonLib::SplitByDelimiter(profile, QLatin1Char('|'));
    if (fields.size() != int(ProfileFields().size()))
        return false;
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i].isEmpty())
            continue;
        const ProfileField &field = ProfileFields()[i];
        choices.*field.Choice = ChoiceAt(field.List(), ProfileFieldToIndex(fields[i]));
    }
    return true;
}

// --- Fragments ------------------------------------------------------------------

QString CodecArgsFragment(int outputType)
{
    return QLatin1Char(' ') + CatalogueEntryAt(GetCodecList(), outputType);
}

QString FormatFragment(int outputType)
{
    const QString format = CatalogueEntryAt(GetFormatList(), outputType);
    return format == QLatin1String("none") ? QString() : QStringLiteral(" -f ") + format;
}

QString OutputExtension(int outputType)
{
    return CatalogueEntryAt(GetExtensionList(), outputType);
}

QString VideoBitrateFragment(const QString &value)
{
    return FragmentOrFallback(QStringLiteral(" -b "), value, QStringLiteral(" -b 512"));
}

QString VideoSizeFragment(const QString &value)
{
    return FragmentOrFallback(QStringLiteral(" -s "), value, QStringLiteral(" -s 320x240"));
}

QString AudioBitrateFragment(const QString &value)
{
    return FragmentOrFallback(QStringLiteral(" -ab "), value, QStringLiteral(" -ab 64"));
}

QString VolumeFragment(const QString &value)
{
    return FragmentOrFallback(QStringLiteral(" -vol "), value, QStringLiteral(" "));
}

QString AudioChannelsFragment(const QString &caption)
{
    return FragmentOrFallback(QStringLiteral(" -ac "), caption.left(1), QStringLiteral(" -ac 2"));
}

QString AudioSampleFragment(const QString &value)
{
    return FragmentOrFallback(QStringLiteral(" -ar "), value, QStringLiteral(" -ar 44100"));
}

QString QuotedPath(const QString &path)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

// --- Segment, output folder, command line --------------------------------------

QString SegmentLengthText(const QString &start, const QString &end)
{
    return QString::number(TCommonLib::TimeTextToSeconds(end) - TCommonLib::TimeTextToSeconds(start));
}

void RemovePartialOutput(const QString &outputPath, qint64 processId)
{
    if (processId > 0)
        ::unlink(PartialOutputPath(QFile::encodeName(outputPath).toStdString(), processId).c_str());
}

QString PrepareOutputFolder(const QString &folderText, bool *created)
{
    QString folder = folderText;
    // The encoder runs in the program's folder: a relative folder is made
    // absolute here, so that the output lands where the user asked.
    if (!folder.isEmpty() && QDir::isRelativePath(folder))
        folder = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    const bool made = QDir().mkpath(folder);
    if (made)
        AppFunc->WriteLog(QStringLiteral("Output directory ") + folder);
    else
        AppFunc->WriteLog(QStringLiteral("Output directory error. ->") + folder);
    if (created)
        *created = made;
    return folder;
}

RecConversionJob FormConversion(const RecConversionChoices &choices, const QString &sourceFile,
                                const QString &appFolder)
{
    RecConversionJob job;
    if (choices.HasSegment) {
        job.SegmentStart = choices.SegmentStart;
        job.SegmentLength = SegmentLengthText(choices.SegmentStart, choices.SegmentEnd);
    }
    job.SegmentArg = !job.SegmentStart.isEmpty() && !job.SegmentLength.isEmpty()
        ? QStringLiteral(" -ss ") + job.SegmentStart + QStringLiteral(" -t ") + job.SegmentLength
        : QString();
    job.EncoderPath = appFolder + QStringLiteral("evc.exe");
    job.SourceFile = sourceFile;
    job.CodecArgs = CodecArgsFragment(choices.OutputType);
    job.VideoBitrateArg = VideoBitrateFragment(choices.VideoBitrate);
    job.VideoSizeArg = VideoSizeFragment(choices.VideoSize);
    job.AudioBitrateArg = AudioBitrateFragment(choices.AudioBitrate);
    job.VolumeArg = VolumeFragment(choices.Volume);
    job.ChannelsArg = AudioChannelsFragment(choices.AudioChannels);
    job.SampleRateArg = AudioSampleFragment(choices.AudioSample);
    job.FormatArg = FormatFragment(choices.OutputType);
    job.OutputFolder = PrepareOutputFolder(choices.OutputFolder);
    job.OutputBaseName = FileFunc->GetFileNameNoExt(sourceFile);
    job.OutputExt = OutputExtension(choices.OutputType);
    job.OutputPath = FileFunc->GetUniqueFileName(job.OutputFolder + job.OutputBaseName + job.OutputExt);
    job.CommandLine = JoinCommandLine(job);
    return job;
}

QString JoinCommandLine(const RecConversionJob &job)
{
    QString options;
    if (job.OutputExt == QLatin1String(".amr")) {
        options = job.CodecArgs + job.VideoSizeArg + job.VideoBitrateArg + job.AudioBitrateArg + job.VolumeArg
            + QStringLiteral(" -ac 1 -ar 8000") + job.FormatArg + job.SegmentArg;
    } else {
        options = job.CodecArgs + job.AudioBitrateArg + job.VolumeArg + job.ChannelsArg + job.SampleRateArg
            + job.FormatArg + job.SegmentArg;
    }
    return job.EncoderPath + QStringLiteral(" -y -i ") + QuotedPath(job.SourceFile) + options + QLatin1Char(' ')
        + QuotedPath(job.OutputPath);
}
