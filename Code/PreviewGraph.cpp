#include "PreviewGraph.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QEventLoop>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoFrameFormat>
#include <QVideoSink>

namespace {

// YUV to RGB on the processor. QVideoFrame::toImage() converts on the GPU
// where the display offers OpenGL, and with the GStreamer back end of
// Qt 6.4 that stalls playback after the first frame. Only the pixels shown
// in the small video window are converted.
struct YuvMatrix
{
    int Rv, Gu, Gv, Bu;
    int YOffset, YScale;
};

YuvMatrix MatrixOf(const QVideoFrameFormat &format)
{
    const bool full = format.colorRange() == QVideoFrameFormat::ColorRange_Full;
    const int yScale = full ? 256 : 298;
    const int yOffset = full ? 0 : 16;
    // Coefficients times 256 (BT.709 for HD pictures, BT.601 otherwise).
    if (format.colorSpace() == QVideoFrameFormat::ColorSpace_BT709
        || (format.colorSpace() == QVideoFrameFormat::ColorSpace_Undefined && format.frameHeight() >= 720))
        return full ? YuvMatrix{403, -48, -120, 475, yOffset, yScale} : YuvMatrix{459, -55, -136, 541, yOffset, yScale};
    return full ? YuvMatrix{359, -88, -183, 454, yOffset, yScale} : YuvMatrix{409, -100, -208, 516, yOffset, yScale};
}

inline QRgb YuvToRgb(int y, int u, int v, const YuvMatrix &m)
{
    const int c = (y - m.YOffset) * m.YScale;
    const int d = u - 128;
    const int e = v - 128;
    const auto clamp = [](int x) { return x < 0 ? 0 : (x > 255 ? 255 : x); };
    return qRgb(clamp((c + m.Rv * e + 128) >> 8), clamp((c + m.Gu * d + m.Gv * e + 128) >> 8),
                clamp((c + m.Bu * d + 128) >> 8));
}

// A mapped frame as a picture of at most the given size (aspect kept).
QImage FrameToImage(const QVideoFrame &mapped, QSize most)
{
    const int w = mapped.width();
    const int h = mapped.height();
    if (w <= 0 || h <= 0)
        return {};
    const QVideoFrameFormat::PixelFormat pixels = mapped.pixelFormat();
    const QImage::Format direct = QVideoFrameFormat::imageFormatFromPixelFormat(pixels);
    QSize out(w, h);
    if (out.width() > most.width() || out.height() > most.height())
        out.scale(most, Qt::KeepAspectRatio);
    out = out.expandedTo(QSize(1, 1));
    if (direct != QImage::Format_Invalid) {
        const QImage view(mapped.bits(0), w, h, mapped.bytesPerLine(0), direct);
        return view.scaled(out, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
    }

    const YuvMatrix m = MatrixOf(mapped.surfaceFormat());
    const uchar *y0 = mapped.bits(0);
    const int yStride = mapped.bytesPerLine(0);
    QImage image(out, QImage::Format_RGB32);
    for (int oy = 0; oy < out.height(); ++oy) {
        const int sy = oy * h / out.height();
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(oy));
        for (int ox = 0; ox < out.width(); ++ox) {
            const int sx = ox * w / out.width();
            int yv = 0, u = 128, v = 128;
            switch (pixels) {
            case QVideoFrameFormat::Format_YUV420P:
            case QVideoFrameFormat::Format_YV12: {
                const int ui = pixels == QVideoFrameFormat::Format_YUV420P ? 1 : 2;
                yv = y0[sy * yStride + sx];
                u = mapped.bits(ui)[(sy / 2) * mapped.bytesPerLine(ui) + sx / 2];
                v = mapped.bits(3 - ui)[(sy / 2) * mapped.bytesPerLine(3 - ui) + sx / 2];
                break;
            }
            case QVideoFrameFormat::Format_NV12:
            case QVideoFrameFormat::Format_NV21: {
                const uchar *uv = mapped.bits(1) + (sy / 2) * mapped.bytesPerLine(1) + (sx / 2) * 2;
                yv = y0[sy * yStride + sx];
                u = pixels == QVideoFrameFormat::Format_NV12 ? uv[0] : uv[1];
                v = pixels == QVideoFrameFormat::Format_NV12 ? uv[1] : uv[0];
                break;
            }
            case QVideoFrameFormat::Format_YUYV:
            case QVideoFrameFormat::Format_UYVY: {
                const uchar *pair = y0 + sy * yStride + (sx / 2) * 4;
                const bool yuyv = pixels == QVideoFrameFormat::Format_YUYV;
                yv = yuyv ? pair[(sx & 1) * 2] : pair[1 + (sx & 1) * 2];
                u = yuyv ? pair[1] : pair[0];
                v = yuyv ? pair[3] : pair[2];
                break;
            }
            default:
                return {};
            }
            line[ox] = YuvToRgb(yv, u, v, m);
        }
    }
    return image;
}

} // namespace

QImage VideoFrameToImage(const QVideoFrame &frame, const QSize &most)
{
    QVideoFrame mapped(frame);
    if (!mapped.isValid() || !mapped.map(QVideoFrame::ReadOnly))
        return {};
    QImage image = FrameToImage(mapped, most);
    mapped.unmap();
    return image;
}

// --- TDSVideoWindow --------------------------------------------------------------

TDSVideoWindow::TDSVideoWindow(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    // The pointer hides after three seconds of stillness over the picture.
    m_hideCursor = new QTimer(this);
    m_hideCursor->setSingleShot(true);
    m_hideCursor->setInterval(3000);
    connect(m_hideCursor, &QTimer::timeout, this, [this] {
        if (HasPicture())
            setCursor(Qt::BlankCursor);
    });
}

TDSVideoWindow::~TDSVideoWindow() = default;

QVideoSink *TDSVideoWindow::VideoSink()
{
    if (!m_sink) {
        m_sink = new QVideoSink(this);
        connect(m_sink, &QVideoSink::videoFrameChanged, this, &TDSVideoWindow::ShowFrame);
    }
    return m_sink;
}

void TDSVideoWindow::ClearPicture()
{
    m_picture = QImage();
    update();
}

void TDSVideoWindow::ShowFrame(const QVideoFrame &frame)
{
    const QImage picture = VideoFrameToImage(frame, size() * devicePixelRatioF());
    if (picture.isNull())
        return;
    m_picture = picture;
    update();
}

void TDSVideoWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_picture.isNull())
        return;
    QSize shown = m_picture.size();
    shown.scale(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_picture);
}

void TDSVideoWindow::mouseMoveEvent(QMouseEvent *event)
{
    unsetCursor();
    m_hideCursor->start();
    QWidget::mouseMoveEvent(event);
}

// --- TQtFilterGraph --------------------------------------------------------------

TQtFilterGraph::TQtFilterGraph(TDSVideoWindow *window)
    : m_window(window)
{
}

TQtFilterGraph::~TQtFilterGraph()
{
    if (m_player)
        m_player->stop();
}

void TQtFilterGraph::CreatePlayer()
{
    if (m_player)
        return;
    // Qt's FFmpeg back end crashes on machines without a sound device; the
    // GStreamer one plays with or without.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
    m_player = std::make_unique<QMediaPlayer>();
    if (!QMediaDevices::defaultAudioOutput().isNull()) {
        m_audio = std::make_unique<QAudioOutput>();
        m_player->setAudioOutput(m_audio.get());
    }
    m_player->setVideoSink(m_window->VideoSink());
}

void TQtFilterGraph::SetActive(bool active)
{
    if (active)
        CreatePlayer();
    else if (m_player)
        m_player->stop();
    m_active = active;
}

void TQtFilterGraph::ClearGraph()
{
    if (m_player) {
        m_player->stop();
        m_player->setSource(QUrl());
    }
    m_loaded = false;
    m_window->ClearPicture();
}

bool TQtFilterGraph::RenderFile(const QString &fileName)
{
    if (m_loading)
        return false;
    CreatePlayer();
    m_loaded = false;
    m_loading = true;

    // The player loads in the background; wait here for its verdict so that
    // loading reads as one step. User input waits meanwhile.
    QEventLoop loop;
    bool failed = false;
    bool done = false;
    const auto settled = [&] {
        const QMediaPlayer::MediaStatus status = m_player->mediaStatus();
        if (status == QMediaPlayer::InvalidMedia)
            failed = true;
        done = failed || status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia
            || status == QMediaPlayer::BufferingMedia || status == QMediaPlayer::EndOfMedia;
        if (done)
            loop.quit();
    };
    const QMetaObject::Connection statusWatch =
        QObject::connect(m_player.get(), &QMediaPlayer::mediaStatusChanged, &loop, settled);
    const QMetaObject::Connection errorWatch =
        QObject::connect(m_player.get(), &QMediaPlayer::errorOccurred, &loop, [&] {
            failed = done = true;
            loop.quit();
        });
    QTimer::singleShot(LoadTimeoutMs, &loop, [&] {
        failed = done = true;
        loop.quit();
    });
    m_player->setSource(QUrl::fromLocalFile(fileName));
    settled();
    if (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    QObject::disconnect(statusWatch);
    QObject::disconnect(errorWatch);
    m_loading = false;

    failed = failed || m_player->error() != QMediaPlayer::NoError
        || (!m_player->hasAudio() && !m_player->hasVideo());
    if (failed)
        return false;
    m_loaded = true;
    return true;
}

void TQtFilterGraph::Run()
{
    if (m_player && m_loaded)
        m_player->play();
}

void TQtFilterGraph::Pause()
{
    if (m_player && m_loaded)
        m_player->pause();
}

void TQtFilterGraph::Stop()
{
    if (m_player)
        m_player->stop();
}

qint64 TQtFilterGraph::CurrentPositionMs() const
{
    if (!m_player || !m_loaded)
        return 0;
    // At the end of the file the player rests; its position then is the end.
    if (m_player->mediaStatus() == QMediaPlayer::EndOfMedia)
        return std::max(m_player->duration(), m_player->position());
    return m_player->position();
}

qint64 TQtFilterGraph::DurationMs() const
{
    return m_player && m_loaded ? m_player->duration() : 0;
}

bool TQtFilterGraph::SetPositionMs(qint64 ms)
{
    if (!m_player || !m_loaded)
        return false;
    m_player->setPosition(ms);
    return true;
}
