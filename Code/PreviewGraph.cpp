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
#include <QVideoSink>

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
    if (!frame.isValid())
        return;
    m_picture = frame.toImage();
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
    const auto settled = [&] {
        const QMediaPlayer::MediaStatus status = m_player->mediaStatus();
        if (status == QMediaPlayer::InvalidMedia)
            failed = true;
        if (failed || status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia
            || status == QMediaPlayer::BufferingMedia || status == QMediaPlayer::EndOfMedia)
            loop.quit();
    };
    const QMetaObject::Connection statusWatch =
        QObject::connect(m_player.get(), &QMediaPlayer::mediaStatusChanged, &loop, settled);
    const QMetaObject::Connection errorWatch =
        QObject::connect(m_player.get(), &QMediaPlayer::errorOccurred, &loop, [&] {
            failed = true;
            loop.quit();
        });
    QTimer::singleShot(LoadTimeoutMs, &loop, [&] {
        failed = true;
        loop.quit();
    });
    m_player->setSource(QUrl::fromLocalFile(fileName));
    settled();
    if (!failed && m_player->mediaStatus() == QMediaPlayer::LoadingMedia)
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
