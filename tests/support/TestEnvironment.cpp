#include "TestEnvironment.h"

#include <cmath>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLockFile>
#include <QProcess>
#include <QTreeWidget>

#include "AvHandles.h"
#include "FakePlatform.h"
#include "FuncObjects.h"
#include "Unit_CommonLib.h"
#include "Unit_Convert.h"
#include "Unit_Converting.h"
#include "Unit_Option.h"

extern "C" {
#include <libswresample/swresample.h>
#include <libavutil/opt.h>
}

void UserSelects(QComboBox *box, const QString &text)
{
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    UserSelects(box, index);
}

void UserSelects(QComboBox *box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

QString BuiltProgramFolder()
{
    return QStringLiteral(SONABRIX_BIN_DIR);
}

int RunProgram(const QString &program, const QStringList &arguments, QString *errors)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(600000))
        return -1;
    if (errors)
        *errors = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QString MakeClip(const ClipSpec &clip)
{
    const QString folder = QStringLiteral(SONABRIX_FIXTURE_DIR);
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + clip.FileName;
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.lock();
    if (QFileInfo::exists(path))
        return path;

    const QString extension = QFileInfo(clip.FileName).suffix().toLower();
    const QString seconds = QString::number(clip.Seconds);
    QStringList args = {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y")};
    if (clip.WithVideo)
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("testsrc=size=176x144:rate=15:duration=") + seconds;
    if (clip.WithAudio)
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("sine=frequency=440:sample_rate=%1:duration=%2,volume=%3%4")
                    .arg(clip.SampleRate).arg(seconds).arg(clip.Amplitude * 8)
                    .arg(clip.Channels == 1 ? QString() : QStringLiteral(",pan=stereo|c0=c0|c1=c0"));

    QString video = QStringLiteral("libx264"), audio = QStringLiteral("aac"), format;
    if (extension == QLatin1String("avi")) {
        video = QStringLiteral("mpeg4");
        audio = QStringLiteral("libmp3lame");
    } else if (extension == QLatin1String("wmv") || extension == QLatin1String("asf")) {
        video = QStringLiteral("wmv2");
        audio = QStringLiteral("wmav2");
    } else if (extension == QLatin1String("flv")) {
        video = QStringLiteral("flv");
        audio = QStringLiteral("libmp3lame");
    } else if (extension == QLatin1String("mpg") || extension == QLatin1String("mpeg")) {
        video = QStringLiteral("mpeg1video");
        audio = QStringLiteral("mp2");
    } else if (extension == QLatin1String("vob")) {
        video = QStringLiteral("mpeg2video");
        audio = QStringLiteral("ac3");
        format = QStringLiteral("vob");
    } else if (extension == QLatin1String("3gp") || extension == QLatin1String("3g2")) {
        video = QStringLiteral("h263");
    }
    if (clip.WithVideo)
        args << QStringLiteral("-c:v") << video << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p");
    // MPEG video takes only the standard frame rates.
    if (clip.WithVideo && (video.startsWith(QLatin1String("mpeg1")) || video.startsWith(QLatin1String("mpeg2"))))
        args << QStringLiteral("-r") << QStringLiteral("25");
    if (clip.WithAudio)
        args << QStringLiteral("-c:a") << audio;
    if (!format.isEmpty())
        args << QStringLiteral("-f") << format;
    args << clip.ExtraArgs;
    const QString temporary = path + QStringLiteral(".part.") + extension;
    args << temporary;
    QString errors;
    if (RunProgram(QStringLiteral("ffmpeg"), args, &errors) != 0) {
        ADD_FAILURE() << "ffmpeg could not make " << clip.FileName.toStdString() << ": " << errors.toStdString();
        return path;
    }
    QFile::rename(temporary, path);
    return path;
}

namespace {

struct SwrDeleter {
    void operator()(SwrContext *context) const { swr_free(&context); }
};

} // namespace

AudioInfo AnalyseAudio(const QString &path, double fromSeconds, double toSeconds)
{
    AudioInfo info;
    InputFormatPtr input = OpenInputFormat(QFile::encodeName(path).constData());
    if (!input || avformat_find_stream_info(input.get(), nullptr) < 0)
        return info;
    const AVCodec *decoder = nullptr;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (index < 0 || !decoder)
        return info;
    info.Opened = true;
    info.FormatName = QString::fromUtf8(input->iformat->name);
    info.CodecName = QString::fromUtf8(avcodec_get_name(input->streams[index]->codecpar->codec_id));
    if (const AVDictionaryEntry *title = av_dict_get(input->metadata, "title", nullptr, 0))
        info.Title = QString::fromUtf8(title->value);
    else if (const AVDictionaryEntry *streamTitle = av_dict_get(input->streams[index]->metadata, "title", nullptr, 0))
        info.Title = QString::fromUtf8(streamTitle->value);
    if (const AVDictionaryEntry *artist = av_dict_get(input->metadata, "artist", nullptr, 0))
        info.Artist = QString::fromUtf8(artist->value);
    else if (const AVDictionaryEntry *streamArtist = av_dict_get(input->streams[index]->metadata, "artist", nullptr, 0))
        info.Artist = QString::fromUtf8(streamArtist->value);

    CodecContextPtr context(avcodec_alloc_context3(decoder));
    avcodec_parameters_to_context(context.get(), input->streams[index]->codecpar);
    if (avcodec_open2(context.get(), decoder, nullptr) < 0)
        return info;
    info.Channels = context->ch_layout.nb_channels;
    info.SampleRate = context->sample_rate;

    // Levels are measured on the first channel, converted to float.
    SwrContext *raw = nullptr;
    swr_alloc_set_opts2(&raw, &context->ch_layout, AV_SAMPLE_FMT_FLTP, context->sample_rate, &context->ch_layout,
                        context->sample_fmt, context->sample_rate, 0, nullptr);
    std::unique_ptr<SwrContext, SwrDeleter> swr(raw);
    swr_init(swr.get());

    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    qint64 samples = 0;
    double sumSquares = 0;
    qint64 measured = 0;
    std::vector<std::vector<float>> planes(static_cast<size_t>(std::max(1, context->ch_layout.nb_channels)));
    std::vector<uint8_t *> out(planes.size());
    auto consume = [&](AVFrame *decoded) {
        for (size_t p = 0; p < planes.size(); ++p) {
            planes[p].resize(static_cast<size_t>(decoded->nb_samples));
            out[p] = reinterpret_cast<uint8_t *>(planes[p].data());
        }
        const std::vector<float> &mixed = planes[0];
        const int got = swr_convert(swr.get(), out.data(), decoded->nb_samples,
                                    const_cast<const uint8_t **>(decoded->extended_data), decoded->nb_samples);
        for (int i = 0; i < got; ++i) {
            const double t = static_cast<double>(samples + i) / context->sample_rate;
            if (t < fromSeconds || t >= toSeconds)
                continue;
            const double v = mixed[static_cast<size_t>(i)];
            sumSquares += v * v;
            info.Peak = std::max(info.Peak, std::abs(v));
            ++measured;
        }
        samples += decoded->nb_samples;
    };
    auto drain = [&] {
        while (avcodec_receive_frame(context.get(), frame.get()) >= 0) {
            consume(frame.get());
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == index) {
            avcodec_send_packet(context.get(), packet.get());
            drain();
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(context.get(), nullptr);
    drain();
    info.DecodedSeconds = context->sample_rate > 0 ? static_cast<double>(samples) / context->sample_rate : 0;
    info.Rms = measured > 0 ? std::sqrt(sumSquares / static_cast<double>(measured)) : 0;
    return info;
}

void ProgramFolderTest::SetUp()
{
    ASSERT_TRUE(m_programFolder.isValid());
    ASSERT_TRUE(QDir(m_programFolder.path()).mkpath(QStringLiteral("Config")));
    QFile::copy(BuiltProgramFolder() + QStringLiteral("/evc.exe"), m_programFolder.filePath(QStringLiteral("evc.exe")));
    TAppFunc::SetAppPathOverride(m_programFolder.path());
    ResetFakePlatform();
    CreateFuncObjects();
}

void ProgramFolderTest::TearDown()
{
    TAppFunc::SetAppPathOverride(QString());
}

QString ProgramFolderTest::AppFolder() const
{
    return m_programFolder.path() + QLatin1Char('/');
}

QString ProgramFolderTest::LogText() const
{
    QFile file(AppFolder() + QStringLiteral("log.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QStringList ProgramFolderTest::LogMessages() const
{
    QStringList messages;
    for (const QString &line : LogText().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        messages << line.mid(line.indexOf(QLatin1Char('|')) + 1);
    return messages;
}

QString ProgramFolderTest::TempPath(const QString &name) const
{
    return m_work.filePath(name);
}

WindowsTest::WindowsTest() = default;
WindowsTest::~WindowsTest() = default;

void WindowsTest::SetUp()
{
    ProgramFolderTest::SetUp();
    // The main window checks for its companion files when it is created.
    for (const QString &name : {QStringLiteral("Res.dll"), QStringLiteral("Form.dll"), QStringLiteral("Help.chm")})
        QFile::copy(BuiltProgramFolder() + QLatin1Char('/') + name, m_programFolder.filePath(name));
    m_main = std::make_unique<TFrmMainForm>();
    m_converting = std::make_unique<TfrmConverting>();
    m_option = std::make_unique<TfrmOption>(m_main.get());
    m_main->edtOutputFolder->setText(TempPath(QStringLiteral("out")));
    m_main->show();
}

void WindowsTest::TearDown()
{
    m_option.reset();
    m_converting.reset();
    m_main.reset();
    ProgramFolderTest::TearDown();
}

void WindowsTest::AddRow(const QString &fileName, const QString &duration, const QString &start, const QString &end)
{
    auto *row = new QTreeWidgetItem(m_main->dxTreeSourceFileInfo);
    RecSourceFile{QStringLiteral("True"), fileName, QStringLiteral("1 KB"), duration, start,
                  end.isEmpty() ? duration : end, duration}
        .WriteToRow(row);
}
