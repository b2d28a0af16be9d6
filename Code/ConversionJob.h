#pragma once

#include <QString>
#include <QStringList>

// The user's choices for a conversion as plain values. The main window and
// the options dialog read their controls into one; the batch command fills
// one from its options. Both hand it to the same code, so the same choices
// give the same command line.
struct RecConversionChoices
{
    // Output type index: 0 AMR, 1 AAC, 2 MP3, 3 AC3, 4 M4A, 5 OGG, 6 WAV.
    int OutputType = 0;
    // Quality level 0 to 4; 5 and above stand for a custom profile.
    int Quality = 2;
    // The profile string of the chosen custom profile, if any.
    QString CustomProfile;

    // The option choices: the item texts of the options dialog's lists. An
    // empty text stands for a list with no selection.
    QString VideoSize;
    QString FrameRate;
    QString VideoBitrate;
    QString AudioBitrate;
    QString AudioChannels;
    QString AudioSample;
    QString Volume;
    QString AspectRatio;

    // The output folder as typed; a trailing "/" is added when missing.
    QString OutputFolder;

    // The segment of the file, as the source list's row holds it; without a
    // segment the whole file is converted.
    bool HasSegment = false;
    QString SegmentStart;
    QString SegmentEnd;
};

// Every piece of the encoder command line for one source file. The fragments
// begin with a blank when they are not empty.
struct RecConversionJob
{
    QString EncoderPath;
    QString SourceFile;
    QString CodecArgs;
    QString VideoBitrateArg;
    QString VideoSizeArg;
    QString AudioBitrateArg;
    QString VolumeArg;
    QString ChannelsArg;
    QString SampleRateArg;
    QString FormatArg;
    QString SegmentStart;
    // Whole seconds as decimal text; empty without a segment.
    QString SegmentLength;
    QString SegmentArg;
    QString OutputFolder;
    QString OutputBaseName;
    QString OutputExt;
    QString OutputPath;
    QString CommandLine;
};

// --- Catalogue look-ups -------------------------------------------------------

// The items of a choice list, without its trailing default index.
QStringList ChoiceItems(const QStringList &choiceList);
// The item a choice list selects by default; empty when it names none.
QString DefaultChoice(const QStringList &choiceList);
// The item at an index of a choice list; empty outside its items.
QString ChoiceAt(const QStringList &choiceList, int index);
// Short names of the output types, in index order ("amr", "aac", ...).
QStringList OutputTypeNames();

// The choices of a fresh start of the main window: the lists' defaults, the
// default output type and quality level with its profile applied, and the
// default output folder.
RecConversionChoices StartUpChoices();
// The home folder + "/sonabrix".
QString DefaultOutputFolder();

// Applies the built-in profile of the choices' output type and quality level;
// fields "none" leave their choice alone. Nothing happens for a custom
// profile or a type or level outside the catalogue.
void ApplyQualityProfile(RecConversionChoices &choices);
// Applies a custom profile string of six numbers; a string of any other
// field count applies nothing and gives false. Throws EConvertError for a
// field that is not an integer, with the fields before it applied.
bool ApplyCustomProfileString(RecConversionChoices &choices, const QString &profile);

// --- Fragments ------------------------------------------------------------------

QString CodecArgsFragment(int outputType);
QString FormatFragment(int outputType);
QString OutputExtension(int outputType);
QString VideoBitrateFragment(const QString &value);
QString VideoSizeFragment(const QString &value);
QString AudioBitrateFragment(const QString &value);
QString VolumeFragment(const QString &value);
// Takes the first character of the channel caption as the channel count.
QString AudioChannelsFragment(const QString &caption);
QString AudioSampleFragment(const QString &value);
// A path in double quotes, with '"' and '\' escaped by a backslash.
QString QuotedPath(const QString &path);

// --- Segment, output folder, command line ------------------------------------

// End minus start in whole seconds; throws EConvertError for a time text
// whose pieces are not integers.
QString SegmentLengthText(const QString &start, const QString &end);
// The folder with a trailing "/", created with its parents; the outcome is
// logged. Returned also when it could not be created.
QString PrepareOutputFolder(const QString &folderText, bool *created = nullptr);
// A field of a profile string as a choice index; throws EConvertError for a
// field that is not an integer.
int ProfileFieldToIndex(const QString &field);
// Removes what an encoder ended by force left under its hidden name beside
// the output; a kill cannot be caught, so the encoder cannot do it itself.
void RemovePartialOutput(const QString &outputPath, qint64 processId);

// Forms the conversion of one source file in the order the program always
// has: segment, fragments, output folder (created and logged), base name,
// extension, then an output path that clashes with no file of the output
// folder, and the command line.
RecConversionJob FormConversion(const RecConversionChoices &choices, const QString &sourceFile,
                                const QString &appFolder);
// Joins the pieces of a formed conversion into the encoder command line, in
// the narrow-band form for ".amr" and the audio form for every other type.
QString JoinCommandLine(const RecConversionJob &job);
