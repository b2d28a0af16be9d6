// The encoder evc.exe, run as the program runs it, checked with libavformat.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <future>
#include <thread>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "EncoderOptions.h"
#include "Limiter.h"
#include "TestEnvironment.h"

namespace {

QString Encoder()
{
    return BuiltProgramFolder() + QStringLiteral("/evc.exe");
}

// Checks a file's decoded length. Raw AAC (ADTS) and raw AC-3 have no way to
// tell a player about the encoder's delay and the padding of the last frame,
// so there the decoded length may exceed the segment by those samples.
void ExpectLength(const QString &path, double seconds)
{
    const AudioInfo info = AnalyseAudio(path);
    double allowance = 0;
    if (info.SampleRate > 0 && path.endsWith(QLatin1String(".aac")))
        allowance = 2 * 1024.0 / info.SampleRate;
    else if (info.SampleRate > 0 && path.endsWith(QLatin1String(".ac3")))
        allowance = (256.0 + 1536.0) / info.SampleRate;
    EXPECT_GE(info.DecodedSeconds, seconds - 0.05) << path.toStdString();
    EXPECT_LE(info.DecodedSeconds, seconds + 0.05 + allowance) << path.toStdString();
}

QString CodecOf(const QString &extension)
{
    static const QMap<QString, QString> codecs = {
        {QStringLiteral("amr"), QStringLiteral("amr_nb")}, {QStringLiteral("aac"), QStringLiteral("aac")},
        {QStringLiteral("mp3"), QStringLiteral("mp3")},    {QStringLiteral("ac3"), QStringLiteral("ac3")},
        {QStringLiteral("m4a"), QStringLiteral("aac")},    {QStringLiteral("ogg"), QStringLiteral("vorbis")},
        {QStringLiteral("wav"), QStringLiteral("pcm_s16le")}};
    return codecs.value(extension);
}

// The command line the program forms, as arguments.
QStringList AudioArguments(const QString &source, const QString &extension, const QString &output,
                           const QString &bitrate = QStringLiteral("128"), const QString &channels = QStringLiteral("2"),
                           const QString &rate = QStringLiteral("44100"), const QString &volume = QStringLiteral("100"))
{
    QStringList args = {QStringLiteral("-y"), QStringLiteral("-i"), source, QStringLiteral("-acodec"), CodecOf(extension)};
    if (extension == QLatin1String("amr"))
        args << QStringLiteral("-s") << QStringLiteral("176x144") << QStringLiteral("-b") << QStringLiteral("128")
             << QStringLiteral("-ab") << bitrate << QStringLiteral("-vol") << volume << QStringLiteral("-ac")
             << QStringLiteral("1") << QStringLiteral("-ar") << QStringLiteral("8000");
    else
        args << QStringLiteral("-vn") << QStringLiteral("-ab") << bitrate << QStringLiteral("-vol") << volume
             << QStringLiteral("-ac") << channels << QStringLiteral("-ar") << rate;
    args << output;
    return args;
}

// Adds the segment options before the output path, as the program does.
QStringList WithSegment(QStringList args, const QString &start, const QString &length)
{
    args.insert(args.size() - 1, QStringLiteral("-ss"));
    args.insert(args.size() - 1, start);
    args.insert(args.size() - 1, QStringLiteral("-t"));
    args.insert(args.size() - 1, length);
    return args;
}

class EncoderTest : public ::testing::Test
{
protected:
    QString Out(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

// --- Containers in, every type out ------------------------------------------

class ContainerTest : public EncoderTest, public ::testing::WithParamInterface<const char *> {};

TEST_P(ContainerTest, EachSourceContainerConvertsWithASegment)
{
    const QString source = MakeClip({QStringLiteral("source.") + QString::fromUtf8(GetParam()), 4.0});
    const QString output = Out(QStringLiteral("out.mp3"));
    QStringList args = AudioArguments(source, QStringLiteral("mp3"), output);
    args = WithSegment(args, QStringLiteral("00:00:01"), QStringLiteral("2"));
    QString errors;
    ASSERT_EQ(RunProgram(Encoder(), args, &errors), 0) << errors.toStdString();
    const AudioInfo info = AnalyseAudio(output);
    EXPECT_EQ(info.CodecName, QStringLiteral("mp3"));
    EXPECT_NEAR(info.DecodedSeconds, 2.0, 0.05) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Containers, ContainerTest,
                         ::testing::Values("avi", "mp4", "3gp", "mov", "wmv", "asf", "flv", "mpg", "vob"));

struct TypeCase { const char *extension; const char *codec; int channels; int rate; };

class OutputTypeTest : public EncoderTest, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(OutputTypeTest, WritesTheTypeWithTheRequestedLayoutAndLength)
{
    const TypeCase &c = GetParam();
    const QString source = MakeClip({QStringLiteral("five.mp4"), 5.0});
    const QString output = Out(QStringLiteral("out.") + QString::fromUtf8(c.extension));
    QStringList args = AudioArguments(source, QString::fromUtf8(c.extension), output, QStringLiteral("128"),
                                      QStringLiteral("2"), QStringLiteral("48000"));
    QString errors;
    ASSERT_EQ(RunProgram(Encoder(), args, &errors), 0) << errors.toStdString();
    const AudioInfo whole = AnalyseAudio(output);
    EXPECT_EQ(whole.CodecName, QString::fromUtf8(c.codec));
    EXPECT_EQ(whole.Channels, c.channels);
    EXPECT_EQ(whole.SampleRate, c.rate);
    ExpectLength(output, 5.0);

    args = WithSegment(args, QStringLiteral("00:00:02"), QStringLiteral("2"));
    ASSERT_EQ(RunProgram(Encoder(), args, &errors), 0) << errors.toStdString();
    ExpectLength(output, 2.0);

    // A length past the end converts to the end.
    args[args.size() - 2] = QStringLiteral("60");
    ASSERT_EQ(RunProgram(Encoder(), args, &errors), 0) << errors.toStdString();
    ExpectLength(output, 3.0);
}

INSTANTIATE_TEST_SUITE_P(Types, OutputTypeTest, ::testing::Values(
    TypeCase{"amr", "amr_nb", 1, 8000}, TypeCase{"aac", "aac", 2, 48000}, TypeCase{"mp3", "mp3", 2, 48000},
    TypeCase{"ac3", "ac3", 2, 48000}, TypeCase{"m4a", "aac", 2, 48000}, TypeCase{"ogg", "vorbis", 2, 48000},
    TypeCase{"wav", "pcm_s16le", 2, 48000}));

TEST_F(EncoderTest, TheSegmentStartsWhereItIsAsked)
{
    // Silence for two seconds, then a tone: a segment from 00:00:01 is
    // silent for its first second and loud for its second.
    const QString source = Out(QStringLiteral("step.mp4"));
    ASSERT_EQ(RunProgram(QStringLiteral("ffmpeg"),
                         {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                          QStringLiteral("-i"),
                          QStringLiteral("aevalsrc=if(gte(t\\,2)\\,0.5*sin(2*PI*440*t)\\,0):s=44100:d=5"),
                          QStringLiteral("-c:a"), QStringLiteral("aac"), source}), 0);
    for (const char *extension : {"wav", "mp3", "ogg", "m4a"}) {
        const QString output = Out(QStringLiteral("step.") + QString::fromUtf8(extension));
        QStringList args = AudioArguments(source, QString::fromUtf8(extension), output, QStringLiteral("128"),
                                          QStringLiteral("1"), QStringLiteral("44100"));
        args = WithSegment(args, QStringLiteral("00:00:01"), QStringLiteral("2"));
        ASSERT_EQ(RunProgram(Encoder(), args), 0);
        EXPECT_LT(AnalyseAudio(output, 0.0, 0.95).Rms, 0.01) << extension;
        EXPECT_GT(AnalyseAudio(output, 1.05, 1.9).Rms, 0.3) << extension;
    }
}

TEST_F(EncoderTest, JoinedRecordingsWithClockJumpsAndRateChangesConvertWhole)
{
    // Two recordings joined byte by byte: each starts its clock again, and
    // the second has another sample rate.
    const QString joined = Out(QStringLiteral("joined.ts"));
    QByteArray bytes;
    for (const char *rate : {"44100", "48000"}) {
        const QString part = Out(QStringLiteral("part") + QString::fromUtf8(rate) + QStringLiteral(".ts"));
        ASSERT_EQ(RunProgram(QStringLiteral("ffmpeg"),
                             {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                              QStringLiteral("-i"), QStringLiteral("sine=sample_rate=%1:duration=2").arg(QString::fromUtf8(rate)),
                              QStringLiteral("-c:a"), QStringLiteral("mp2"), part}), 0);
        QFile file(part);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        bytes += file.readAll();
    }
    QFile out(joined);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    out.close();

    const QString output = Out(QStringLiteral("joined.wav"));
    QStringList args = AudioArguments(joined, QStringLiteral("wav"), output);
    args = WithSegment(args, QStringLiteral("00:00:01"), QStringLiteral("3"));
    QString errors;
    ASSERT_EQ(RunProgram(Encoder(), args, &errors), 0) << errors.toStdString();
    const AudioInfo info = AnalyseAudio(output);
    EXPECT_NEAR(info.DecodedSeconds, 3.0, 0.06);
    EXPECT_GT(AnalyseAudio(output, 0.2, 2.8).Rms, 0.05);
}

TEST_F(EncoderTest, FormatsAreTheOnesTheExtensionsName)
{
    const QString source = MakeClip({QStringLiteral("five.mp4"), 5.0});
    const QMap<QString, QString> formats = {
        {QStringLiteral("amr"), QStringLiteral("amr")}, {QStringLiteral("aac"), QStringLiteral("aac")},
        {QStringLiteral("mp3"), QStringLiteral("mp3")}, {QStringLiteral("ac3"), QStringLiteral("ac3")},
        {QStringLiteral("m4a"), QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2")}, {QStringLiteral("ogg"), QStringLiteral("ogg")},
        {QStringLiteral("wav"), QStringLiteral("wav")}};
    for (auto it = formats.begin(); it != formats.end(); ++it) {
        const QString output = Out(QStringLiteral("f.") + it.key());
        ASSERT_EQ(RunProgram(Encoder(), AudioArguments(source, it.key(), output)), 0);
        EXPECT_EQ(AnalyseAudio(output).FormatName, it.value()) << it.key().toStdString();
    }
}

// --- Awkward values: the nearest supported value is used ---------------------

struct AwkwardCase { const char *extension; const char *bitrate; const char *channels; const char *rate; int expectedChannels; int expectedRate; };

class AwkwardValuesTest : public EncoderTest, public ::testing::WithParamInterface<AwkwardCase> {};

TEST_P(AwkwardValuesTest, GiveAPlayableFile)
{
    const AwkwardCase &c = GetParam();
    const QString source = MakeClip({QStringLiteral("two.mp4"), 2.0});
    const QString output = Out(QStringLiteral("awkward.") + QString::fromUtf8(c.extension));
    QString errors;
    ASSERT_EQ(RunProgram(Encoder(), AudioArguments(source, QString::fromUtf8(c.extension), output,
                                                   QString::fromUtf8(c.bitrate), QString::fromUtf8(c.channels),
                                                   QString::fromUtf8(c.rate)), &errors), 0)
        << c.extension << " " << c.bitrate << " " << c.channels << " " << c.rate << ": " << errors.toStdString();
    const AudioInfo info = AnalyseAudio(output);
    EXPECT_EQ(info.Channels, c.expectedChannels);
    EXPECT_EQ(info.SampleRate, c.expectedRate);
    ExpectLength(output, 2.0);
}

INSTANTIATE_TEST_SUITE_P(Values, AwkwardValuesTest, ::testing::Values(
    AwkwardCase{"ac3", "48", "1", "22050", 1, 32000}, AwkwardCase{"ac3", "16", "2", "32000", 2, 32000},
    AwkwardCase{"ac3", "224", "2", "48000", 2, 48000},
    AwkwardCase{"amr", "224", "1", "8000", 1, 8000}, AwkwardCase{"amr", "16", "1", "8000", 1, 8000},
    AwkwardCase{"mp3", "224", "1", "22050", 1, 22050}, AwkwardCase{"mp3", "192", "2", "22050", 2, 22050},
    AwkwardCase{"mp3", "16", "2", "48000", 2, 48000},
    AwkwardCase{"ogg", "16", "1", "22050", 1, 22050}, AwkwardCase{"ogg", "32", "2", "48000", 2, 48000},
    AwkwardCase{"ogg", "224", "1", "22050", 1, 22050}, AwkwardCase{"ogg", "16", "2", "44100", 2, 44100},
    AwkwardCase{"aac", "224", "1", "22050", 1, 22050}, AwkwardCase{"aac", "16", "2", "48000", 2, 48000},
    AwkwardCase{"m4a", "224", "2", "22050", 2, 22050}, AwkwardCase{"m4a", "16", "1", "32000", 1, 32000},
    AwkwardCase{"wav", "16", "1", "22050", 1, 22050}, AwkwardCase{"wav", "224", "2", "48000", 2, 48000}));

// --- Volume ---------------------------------------------------------------

TEST_F(EncoderTest, VolumeScalesTheLevel)
{
    const QString source = MakeClip({QStringLiteral("quiet.mp4"), 3.0, true, false, 0.1});
    struct { const char *percent; double ratio; } cases[] = {{"100", 1.0}, {"200", 2.0}, {"50", 0.5}, {"0", 0.0}};
    const double reference = AnalyseAudio(source, 0.5, 2.5).Rms;
    ASSERT_GT(reference, 0.05);
    for (const auto &c : cases) {
        const QString output = Out(QStringLiteral("vol.wav"));
        ASSERT_EQ(RunProgram(Encoder(), AudioArguments(source, QStringLiteral("wav"), output, QStringLiteral("128"),
                                                       QStringLiteral("2"), QStringLiteral("44100"),
                                                       QString::fromUtf8(c.percent))), 0);
        EXPECT_NEAR(AnalyseAudio(output, 0.5, 2.5).Rms / reference, c.ratio, 0.03) << c.percent;
    }
}

TEST_F(EncoderTest, LoudPassagesAreLimitedNotClipped)
{
    const QString source = MakeClip({QStringLiteral("loud.mp4"), 3.0, true, false, 0.6});
    const QString output = Out(QStringLiteral("loud.wav"));
    ASSERT_EQ(RunProgram(Encoder(), AudioArguments(source, QStringLiteral("wav"), output, QStringLiteral("128"),
                                                   QStringLiteral("2"), QStringLiteral("44100"), QStringLiteral("500"))), 0);
    const AudioInfo info = AnalyseAudio(output, 0.5, 2.5);
    EXPECT_LE(info.Peak, 0.99);
    // A limited sine keeps most of its energy: a wrapped or hard-clipped one
    // would read far from a full-scale sine's RMS of about 0.69.
    EXPECT_GT(info.Rms, 0.55);
    EXPECT_NEAR(info.DecodedSeconds, 3.0, 0.05);
}

// --- Tags -----------------------------------------------------------------

TEST_F(EncoderTest, TagsAreCopiedWhereTheContainerCarriesThem)
{
    const QString source = MakeClip({QStringLiteral("tagged.mp4"), 2.0, true, true, 0.125, 44100, 2,
                                     {QStringLiteral("-metadata"), QStringLiteral("title=Night Drive"),
                                      QStringLiteral("-metadata"), QStringLiteral("artist=Ünsal")}});
    for (const char *extension : {"mp3", "m4a", "ogg", "wav"}) {
        const QString output = Out(QStringLiteral("tagged.") + QString::fromUtf8(extension));
        ASSERT_EQ(RunProgram(Encoder(), AudioArguments(source, QString::fromUtf8(extension), output)), 0);
        const AudioInfo info = AnalyseAudio(output);
        EXPECT_EQ(info.Title, QStringLiteral("Night Drive")) << extension;
        EXPECT_EQ(info.Artist, QStringLiteral("Ünsal")) << extension;
    }
}

// --- Progress reports ---------------------------------------------------------

TEST_F(EncoderTest, ProgressReportsHaveTheFormTheProgramReads)
{
    const QString source = MakeClip({QStringLiteral("five.mp4"), 5.0});
    QString errors;
    ASSERT_EQ(RunProgram(Encoder(), AudioArguments(source, QStringLiteral("mp3"), Out(QStringLiteral("p.mp3"))), &errors), 0);
    const QStringList lines = errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    const QRegularExpression form(QStringLiteral("^size= *\\d+kB time=(\\d+)\\.\\d\\d bitrate= *[\\d.]+kbits/s$"));
    for (const QString &line : lines)
        EXPECT_TRUE(form.match(line).hasMatch()) << line.toStdString();
    const QStringList parts = lines.last().split(QLatin1Char('='));
    ASSERT_GE(parts.size(), 4);
    EXPECT_TRUE(parts[2].startsWith(QStringLiteral("5.0"))) << parts[2].toStdString();
}

// --- Bad input and bad command lines ----------------------------------------

struct BadLineCase { QStringList args; const char *message; };

class BadCommandLineTest : public EncoderTest, public ::testing::WithParamInterface<BadLineCase> {};

TEST_P(BadCommandLineTest, FailsWithOneLineAndWritesNothing)
{
    QStringList args;
    const QString source = MakeClip({QStringLiteral("two.avi"), 2.0});
    const QString output = Out(QStringLiteral("bad.mp3"));
    for (QString arg : GetParam().args)
        args << arg.replace(QStringLiteral("SRC"), source).replace(QStringLiteral("OUT"), output);
    QString errors;
    const int code = RunProgram(Encoder(), args, &errors);
    EXPECT_NE(code, 0);
    EXPECT_EQ(errors.count(QLatin1Char('\n')), 1) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QString::fromUtf8(GetParam().message))) << errors.toStdString();
    EXPECT_FALSE(errors.contains(QLatin1Char('='))) << errors.toStdString();
    EXPECT_FALSE(QFile::exists(output));
}

INSTANTIATE_TEST_SUITE_P(Lines, BadCommandLineTest, ::testing::Values(
    BadLineCase{{"-y", "-i", "SRC", "-acodec", "mp3", "-bogus", "1", "OUT"}, "unknown option"},
    BadLineCase{{"-y", "-i", "SRC", "-acodec", "mp3", "-ab", "OUT"}, "needs a value"},
    BadLineCase{{"-y", "-i", "SRC", "-acodec", "mp3", "-ab", "lots", "OUT"}, "invalid value"},
    BadLineCase{{"-y", "-i", "SRC", "-acodec", "mp3", "-ar", "44.1", "OUT"}, "invalid value"},
    BadLineCase{{"-y", "-i", "SRC", "-acodec", "mp3", "-ss", "1:2", "OUT"}, "invalid value"},
    BadLineCase{{"-y", "-i", "SRC", "-acodec", "mp3", "-t", "-5", "OUT"}, "invalid value"},
    BadLineCase{{"-y", "-i", "SRC", "-acodec", "flac", "OUT"}, "unknown audio codec"},
    BadLineCase{{"-y", "-acodec", "mp3", "OUT"}, "no input file"},
    BadLineCase{{"-y", "-i", "/no/such/file.avi", "-acodec", "mp3", "OUT"}, "cannot open input file"},
    BadLineCase{{"-y", "-i", "SRC", "-acodec", "mp3", "-ss", "00:10:00", "OUT"}, "no audio could be decoded"}));

TEST_F(EncoderTest, BadInputFilesFailAndLeaveNoOutput)
{
    const QString videoOnly = MakeClip({QStringLiteral("silent.mp4"), 2.0, false});
    QFile text(Out(QStringLiteral("notes.avi")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is not a video\n");
    text.close();
    const QString good = MakeClip({QStringLiteral("five.mp4"), 5.0});
    const QString truncated = Out(QStringLiteral("truncated.mp4"));
    QFile::copy(good, truncated);
    QFile::resize(truncated, QFileInfo(good).size() / 2);

    for (const QString &source : {videoOnly, text.fileName(), truncated}) {
        const QString output = Out(QStringLiteral("result.mp3"));
        QString errors;
        EXPECT_NE(RunProgram(Encoder(), AudioArguments(source, QStringLiteral("mp3"), output), &errors), 0)
            << source.toStdString();
        EXPECT_EQ(errors.count(QLatin1Char('\n')), 1) << errors.toStdString();
        EXPECT_FALSE(QFile::exists(output)) << source.toStdString();
    }
}

TEST_F(EncoderTest, WithoutOverwriteAnExistingOutputIsLeftAlone)
{
    const QString source = MakeClip({QStringLiteral("two.avi"), 2.0});
    const QString output = Out(QStringLiteral("exists.mp3"));
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();
    QStringList args = AudioArguments(source, QStringLiteral("mp3"), output);
    args.removeFirst();  // no -y
    EXPECT_NE(RunProgram(Encoder(), args), 0);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("keep me"));
}

TEST_F(EncoderTest, TheInputIsNeverOverwritten)
{
    const QString source = Out(QStringLiteral("self.mp4"));
    QFile::copy(MakeClip({QStringLiteral("two.mp4"), 2.0}), source);
    const qint64 size = QFileInfo(source).size();
    QStringList args = AudioArguments(source, QStringLiteral("m4a"), source);
    EXPECT_NE(RunProgram(Encoder(), args), 0);
    EXPECT_EQ(QFileInfo(source).size(), size);
}

TEST_F(EncoderTest, AwkwardPathsConvert)
{
    const QString clip = MakeClip({QStringLiteral("two.avi"), 2.0});
    const QStringList names = {QStringLiteral("with blanks in it.avi"), QStringLiteral("quote\"d 'name'.avi"),
                               QStringLiteral("back\\slash.avi"), QStringLiteral("-leading dash.avi"),
                               QStringLiteral("Übergröße ñandú 音楽.avi")};
    for (const QString &name : names) {
        const QString source = Out(name);
        ASSERT_TRUE(QFile::copy(clip, source));
        const QString output = Out(QStringLiteral("-") + name + QStringLiteral(".ogg"));
        QString errors;
        EXPECT_EQ(RunProgram(Encoder(), AudioArguments(source, QStringLiteral("ogg"), output), &errors), 0)
            << name.toStdString() << ": " << errors.toStdString();
        EXPECT_NEAR(AnalyseAudio(output).DecodedSeconds, 2.0, 0.05) << name.toStdString();
    }
}

TEST_F(EncoderTest, OptionsMayComeInAnyOrder)
{
    const QString source = MakeClip({QStringLiteral("two.avi"), 2.0});
    const QString output = Out(QStringLiteral("order.wav"));
    const QStringList args = {QStringLiteral("-ar"), QStringLiteral("22050"), QStringLiteral("-ac"), QStringLiteral("1"),
                              QStringLiteral("-acodec"), QStringLiteral("pcm_s16le"), QStringLiteral("-i"), source,
                              QStringLiteral("-y"), output};
    ASSERT_EQ(RunProgram(Encoder(), args), 0);
    const AudioInfo info = AnalyseAudio(output);
    EXPECT_EQ(info.Channels, 1);
    EXPECT_EQ(info.SampleRate, 22050);
}

// --- Damaged sources, ended encoders, replaced files ----------------------------

// A DVD-like MPEG program stream with 5.1 AC-3 sound.
QString SurroundVob()
{
    return MakeClip({QStringLiteral("surround.vob"), 20.0, true, true, 0.125, 48000, 2,
                     {QStringLiteral("-ac"), QStringLiteral("6"), QStringLiteral("-b:a"), QStringLiteral("384k")}});
}

// Damages the header bytes after the sync word of the AC-3 frames that start
// between the two fractions of the file (only the first one when asked).
QString DamagedCopy(const QString &source, const QString &target, double from, double to, bool firstOnly)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = in.readAll();
    // Frames of this stream all carry the same rate and size code; it tells
    // a real sync word from the same two bytes inside video data.
    const int first = bytes.indexOf(QByteArray("\x0B\x77", 2));
    if (first < 0)
        return {};
    const char sizeCode = bytes[first + 4];
    const int end = static_cast<int>(bytes.size() * to) - 8;
    for (int at = static_cast<int>(bytes.size() * from); at < end; ++at) {
        if (bytes[at] != '\x0B' || bytes[at + 1] != '\x77' || bytes[at + 4] != sizeCode)
            continue;
        for (int k = 2; k < 8; ++k)
            bytes[at + k] = static_cast<char>(bytes[at + k] ^ 0x55);
        if (firstOnly)
            break;
    }
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        return {};
    return target;
}

// Every entry of a folder, hidden ones included.
QStringList Entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

TEST_F(EncoderTest, OneDamagedFrameCostsItsOwnSamplesOnly)
{
    const QString source = DamagedCopy(SurroundVob(), Out(QStringLiteral("one bad frame.vob")), 0.5, 1.0, true);
    ASSERT_FALSE(source.isEmpty());
    const QString output = Out(QStringLiteral("out.mp3"));
    QString errors;
    ASSERT_EQ(RunProgram(Encoder(), AudioArguments(source, QStringLiteral("mp3"), output), &errors), 0)
        << errors.toStdString();
    EXPECT_NEAR(AnalyseAudio(output).DecodedSeconds, 20.0, 0.5);
    const QStringList lines = errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("size="))) << lines.last().toStdString();
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral(", 1 damaged audio packet skipped"))) << lines.last().toStdString();
}

TEST_F(EncoderTest, AudioDamagedThroughoutFailsCleanly)
{
    for (const double from : {0.0, 0.5}) {
        const QString source = DamagedCopy(SurroundVob(), Out(QStringLiteral("bad.vob")), from, 1.0, false);
        ASSERT_FALSE(source.isEmpty());
        const QString output = Out(QStringLiteral("out.mp3"));
        QString errors;
        EXPECT_NE(RunProgram(Encoder(), AudioArguments(source, QStringLiteral("mp3"), output), &errors), 0) << from;
        const QStringList lines = errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_TRUE(lines.last().startsWith(QStringLiteral("evc: "))) << lines.last().toStdString();
        EXPECT_EQ(Entries(m_dir.path()), QStringList({QStringLiteral("bad.vob")})) << from;
    }
}

TEST_F(EncoderTest, OverwritingReplacesAnExistingFileOnlyWithAFinishedOne)
{
    // The second half of the sound is damaged: the conversion fails late.
    const QString source = DamagedCopy(SurroundVob(), Out(QStringLiteral("late.vob")), 0.5, 1.0, false);
    ASSERT_FALSE(source.isEmpty());
    const QString output = Out(QStringLiteral("existing.mp3"));
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keep me");
    file.close();
    QString errors;
    EXPECT_NE(RunProgram(Encoder(), AudioArguments(source, QStringLiteral("mp3"), output), &errors), 0);
    EXPECT_TRUE(errors.contains(QStringLiteral("damaged"))) << errors.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("keep me"));
    file.close();
    EXPECT_EQ(Entries(m_dir.path()), QStringList({QStringLiteral("existing.mp3"), QStringLiteral("late.vob")}));

    // A good source replaces it.
    ASSERT_EQ(RunProgram(Encoder(), AudioArguments(SurroundVob(), QStringLiteral("mp3"), output), &errors), 0)
        << errors.toStdString();
    EXPECT_NEAR(AnalyseAudio(output).DecodedSeconds, 20.0, 0.1);
}

TEST_F(EncoderTest, NoCompleteFrameFromALongerSourceIsAFailure)
{
    // Five seconds of video, sound for 0.04 s of it.
    const QString source = Out(QStringLiteral("blip.mkv"));
    const QStringList args = {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                              QStringLiteral("-i"), QStringLiteral("testsrc=size=176x144:rate=15:duration=5"),
                              QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                              QStringLiteral("sine=frequency=440:sample_rate=44100:duration=0.04"),
                              QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-c:a"),
                              QStringLiteral("pcm_s16le"), source};
    ASSERT_EQ(RunProgram(QStringLiteral("ffmpeg"), args), 0);
    const QString output = Out(QStringLiteral("blip.mp3"));
    QString errors;
    EXPECT_NE(RunProgram(Encoder(), AudioArguments(source, QStringLiteral("mp3"), output), &errors), 0);
    EXPECT_TRUE(errors.contains(QStringLiteral("could be decoded"))) << errors.toStdString();
    EXPECT_EQ(Entries(m_dir.path()), QStringList({QStringLiteral("blip.mkv")}));
}

struct EndCase { int signalNumber; bool existing; };

class EndedEncoderTest : public EncoderTest, public ::testing::WithParamInterface<EndCase> {};

// The encoder is ended mid-file: the final name never holds a short file.
// It reads its source from a pipe that holds only the first half of the
// file, so it is surely mid-file when the signal comes, however fast it is.
TEST_P(EndedEncoderTest, LeavesNoShortFileUnderTheFinalName)
{
    QFile clip(MakeClip({QStringLiteral("long.avi"), 240.0, true, false}));
    ASSERT_TRUE(clip.open(QIODevice::ReadOnly));
    const QByteArray firstHalf = clip.read(clip.size() / 2);
    const QString source = Out(QStringLiteral("source.avi"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(source).constData(), 0600), 0);
    const QString output = Out(QStringLiteral("ended.mp3"));
    if (GetParam().existing) {
        QFile file(output);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    ::signal(SIGPIPE, SIG_IGN);
    std::promise<void> ended;
    std::thread feeder([&source, &firstHalf, done = ended.get_future()] {
        const int fd = ::open(QFile::encodeName(source).constData(), O_WRONLY | O_CLOEXEC);
        for (qsizetype at = 0; fd >= 0 && at < firstHalf.size();) {
            const ssize_t put = ::write(fd, firstHalf.constData() + at, static_cast<size_t>(firstHalf.size() - at));
            if (put <= 0)
                break;
            at += put;
        }
        done.wait();
        if (fd >= 0)
            ::close(fd);
    });

    QProcess encoder;
    encoder.setProcessChannelMode(QProcess::MergedChannels);
    encoder.start(Encoder(), AudioArguments(source, QStringLiteral("mp3"), output));
    ASSERT_TRUE(encoder.waitForStarted());
    static const QRegularExpression report(QStringLiteral("time=(\\d+)"));
    QString seen;
    double reached = 0;
    while (reached < 1 && encoder.state() == QProcess::Running) {
        encoder.waitForReadyRead(100);
        seen += QString::fromUtf8(encoder.readAll());
        for (auto match = report.globalMatch(seen); match.hasNext();)
            reached = std::max(reached, match.next().captured(1).toDouble());
    }
    const bool running = encoder.state() == QProcess::Running;
    if (running)
        ::kill(static_cast<pid_t>(encoder.processId()), GetParam().signalNumber);
    const bool finished = encoder.waitForFinished(60000);
    ended.set_value();
    feeder.join();
    ASSERT_TRUE(running) << seen.toStdString();
    ASSERT_TRUE(finished);
    EXPECT_EQ(encoder.exitStatus(), QProcess::CrashExit);

    if (GetParam().existing) {
        QFile file(output);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("keep me"));
    } else {
        EXPECT_FALSE(QFile::exists(output));
    }
    // What a caught signal ends leaves nothing else; after SIGKILL only the
    // hidden file is left, for the program to remove.
    QStringList rest = Entries(m_dir.path());
    rest.removeAll(QStringLiteral("ended.mp3"));
    rest.removeAll(QStringLiteral("source.avi"));
    if (GetParam().signalNumber == SIGKILL) {
        ASSERT_EQ(rest.size(), 1);
        EXPECT_TRUE(rest[0].startsWith(QStringLiteral(".ended.mp3."))) << rest[0].toStdString();
        EXPECT_TRUE(rest[0].endsWith(QStringLiteral(".part"))) << rest[0].toStdString();
    } else {
        EXPECT_TRUE(rest.isEmpty()) << rest.join(QLatin1Char(' ')).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, EndedEncoderTest, ::testing::Values(
    EndCase{SIGKILL, false}, EndCase{SIGKILL, true}, EndCase{SIGTERM, false}, EndCase{SIGINT, true},
    EndCase{SIGHUP, false}));

// --- Argument reading, without running anything -------------------------------

TEST(EncoderArguments, ReadsTheProgramsCommandLines)
{
    std::string error;
    const auto options = ParseEncoderArguments({"-y", "-i", "/a b/c.avi", "-acodec", "amr_nb", "-s", "176x144", "-b",
                                                "128", "-ab", "128", "-vol", "200", "-ac", "1", "-ar", "8000", "-ss",
                                                "100:00:10", "-t", "90", "-dash.amr"},
                                               &error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->overwrite);
    EXPECT_EQ(options->input, "/a b/c.avi");
    EXPECT_EQ(options->output, "-dash.amr");
    EXPECT_EQ(*options->volumePercent, 200);
    EXPECT_DOUBLE_EQ(*options->startSeconds, 360010.0);
    EXPECT_EQ(*options->lengthSeconds, 90);
    EXPECT_FALSE(ParseTimeText("00:00"));
    EXPECT_FALSE(ParseTimeText("aa:00:00"));
    EXPECT_DOUBLE_EQ(*ParseTimeText("00:01:02.5"), 62.5);
}

} // namespace

// --- The limiter on its own -------------------------------------------------------

namespace {

struct LimiterCase { size_t samples; double gain; double amplitude; };

class LimiterTest : public ::testing::TestWithParam<LimiterCase> {};

TEST_P(LimiterTest, KeepsEverySampleAndHoldsTheCeiling)
{
    const LimiterCase &c = GetParam();
    std::vector<float> left(c.samples), right(c.samples);
    for (size_t i = 0; i < c.samples; ++i)
        left[i] = right[i] = static_cast<float>(c.amplitude * std::sin(static_cast<double>(i) * 0.0627));
    Limiter limiter(2, 44100, c.gain);
    std::vector<float> outLeft(c.samples + limiter.Delay()), outRight(c.samples + limiter.Delay());
    const float *in[] = {left.data(), right.data()};
    float *out[] = {outLeft.data(), outRight.data()};
    size_t written = 0;
    // In blocks of 1000, as the encoder feeds it.
    for (size_t start = 0; start < c.samples; start += 1000) {
        const size_t count = std::min<size_t>(1000, c.samples - start);
        const float *block[] = {in[0] + start, in[1] + start};
        float *target[] = {out[0] + written, out[1] + written};
        written += limiter.Process(block, count, target);
    }
    float *tail[] = {out[0] + written, out[1] + written};
    written += limiter.Flush(tail);
    ASSERT_EQ(written, c.samples);
    double peak = 0;
    for (size_t i = 0; i < c.samples; ++i)
        peak = std::max(peak, static_cast<double>(std::fabs(outLeft[i])));
    EXPECT_LE(peak, 0.97 + 1e-6);
    // Quiet enough input passes at exactly the gain, delayed by nothing.
    if (c.gain * c.amplitude < 0.9) {
        for (size_t i = 0; i < c.samples; ++i)
            ASSERT_NEAR(outLeft[i], left[i] * c.gain, 1e-5) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LimiterTest, ::testing::Values(
    LimiterCase{44100, 2.0, 0.3}, LimiterCase{44100, 5.0, 0.6}, LimiterCase{100, 5.0, 0.9},
    LimiterCase{0, 2.0, 0.5}, LimiterCase{220, 4.0, 1.0}));

} // namespace
