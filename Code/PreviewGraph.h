#pragma once

#include <memory>

#include <QImage>
#include <QString>
#include <QWidget>

class QAudioOutput;
class QMediaPlayer;
class QTimer;
class QVideoFrame;
class QVideoSink;

// The preview's player: load a file, run, pause, stop, clear, and read and
// set the position. The main window drives it through this interface only.
class TFilterGraph
{
public:
    virtual ~TFilterGraph() = default;

    virtual bool Active() const = 0;
    virtual void SetActive(bool active) = 0;
    // Stops the player and unloads its file.
    virtual void ClearGraph() = 0;
    // Loads a file; true only when the file can be played.
    virtual bool RenderFile(const QString &fileName) = 0;
    virtual void Run() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    // Milliseconds; the duration is 0 for a file that reports none.
    virtual qint64 CurrentPositionMs() const = 0;
    virtual qint64 DurationMs() const = 0;
    // Moves to an absolute position; false when nothing is loaded.
    virtual bool SetPositionMs(qint64 ms) = 0;
};

// A video frame as a picture of at most the given size (aspect kept),
// converted on the processor; null for a pixel format it does not know.
QImage VideoFrameToImage(const QVideoFrame &frame, const QSize &most);

// The video window: the frames of the playing file, letter-boxed on black.
// It paints the frames itself, so it needs neither a video overlay nor a GPU
// and shows in screenshots of any display.
class TDSVideoWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDSVideoWindow)

public:
    explicit TDSVideoWindow(QWidget *parent = nullptr);
    ~TDSVideoWindow() override;

    // Created on first use, with the player.
    QVideoSink *VideoSink();
    void ClearPicture();
    bool HasPicture() const { return !m_picture.isNull(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void ShowFrame(const QVideoFrame &frame);

    QVideoSink *m_sink = nullptr;
    QImage m_picture;
    QTimer *m_hideCursor = nullptr;
};

// The player on Qt Multimedia. Nothing of the multimedia back end is made
// before the first file is loaded, so the program starts on machines
// without sound device or video support.
class TQtFilterGraph final : public TFilterGraph
{
public:
    explicit TQtFilterGraph(TDSVideoWindow *window);
    ~TQtFilterGraph() override;
    TQtFilterGraph(const TQtFilterGraph &) = delete;
    TQtFilterGraph &operator=(const TQtFilterGraph &) = delete;

    bool Active() const override { return m_active; }
    void SetActive(bool active) override;
    void ClearGraph() override;
    bool RenderFile(const QString &fileName) override;
    void Run() override;
    void Pause() override;
    void Stop() override;
    qint64 CurrentPositionMs() const override;
    qint64 DurationMs() const override;
    bool SetPositionMs(qint64 ms) override;

    // How long loading a file may take before it counts as failed.
    static constexpr int LoadTimeoutMs = 15000;

private:
    void CreatePlayer();

    TDSVideoWindow *m_window;
    std::unique_ptr<QMediaPlayer> m_player;
    std::unique_ptr<QAudioOutput> m_audio;
    bool m_active = false;
    bool m_loaded = false;
    bool m_loading = false;
};
