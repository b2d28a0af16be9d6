#pragma once

#include <memory>
#include <ostream>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Readable Qt texts in test failure messages.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList &list, std::ostream *out)
{
    *out << '[' << list.join(QStringLiteral("\", \"")).prepend(QLatin1Char('"')).append(QLatin1Char('"')).toStdString() << ']';
}

class QComboBox;
class TFrmMainForm;

// Chooses an item as the user does: the box changes, then reports it.
void UserSelects(QComboBox *box, const QString &text);
void UserSelects(QComboBox *box, int index);
class TfrmConverting;
class TfrmOption;

// The folder the build writes the program into (evc.exe, Config/, ...).
QString BuiltProgramFolder();

// A generated media clip of the given length, cached between tests. The
// container and codecs follow the file name's extension. Sound is a sine tone
// at the given amplitude (0 to 1); without sound the clip is video only.
struct ClipSpec
{
    ClipSpec(QString fileName, double seconds = 3.0, bool withAudio = true, bool withVideo = true,
             double amplitude = 0.125, int sampleRate = 44100, int channels = 2, QStringList extraArgs = {})
        : FileName(std::move(fileName)), Seconds(seconds), WithAudio(withAudio), WithVideo(withVideo),
          Amplitude(amplitude), SampleRate(sampleRate), Channels(channels), ExtraArgs(std::move(extraArgs))
    {
    }

    QString FileName;
    double Seconds = 3.0;
    bool WithAudio = true;
    bool WithVideo = true;
    double Amplitude = 0.125;
    int SampleRate = 44100;
    int Channels = 2;
    QStringList ExtraArgs;
};
QString MakeClip(const ClipSpec &clip);

// What libavformat and libavcodec read back from an audio file.
struct AudioInfo
{
    bool Opened = false;
    QString CodecName;
    QString FormatName;
    int Channels = 0;
    int SampleRate = 0;
    double DecodedSeconds = 0;  // decoded samples / rate
    double Rms = 0;             // over all samples, full scale 1.0
    double Peak = 0;
    QString Title;
    QString Artist;
};
AudioInfo AnalyseAudio(const QString &path, double fromSeconds = 0, double toSeconds = 1e9);

// Runs a program and returns its exit code; standard error goes to *errors.
int RunProgram(const QString &program, const QStringList &arguments, QString *errors = nullptr);

// Every test gets a program folder of its own, with Config/ and a copy of
// evc.exe, a fresh set of service objects and a fresh fake platform layer.
class ProgramFolderTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    QString AppFolder() const;   // with a trailing "/"
    QString LogText() const;
    QStringList LogMessages() const;  // the part after "|" of each line
    QString TempPath(const QString &name) const;

    QTemporaryDir m_programFolder;
    QTemporaryDir m_work;
};

// The program's three windows, created as at start-up and shown once.
class WindowsTest : public ProgramFolderTest
{
public:
    WindowsTest();
    ~WindowsTest() override;

protected:
    void SetUp() override;
    void TearDown() override;

    // Adds rows to the source list as AddSourceFiles would, without probing.
    void AddRow(const QString &fileName, const QString &duration, const QString &start = QStringLiteral("00:00:00"),
                const QString &end = QString());

    std::unique_ptr<TFrmMainForm> m_main;
    std::unique_ptr<TfrmConverting> m_converting;
    std::unique_ptr<TfrmOption> m_option;
};
