#pragma once

#include <QProgressBar>
#include <QWidget>

class QAction;
class QLabel;
class QLineEdit;
class QStatusBar;
class QTimer;
class TRzBmpButton;

// A progress bar that keeps the maximum and position the conversion engine
// gives it. A maximum of 0 or less shows an empty bar (not a busy
// indicator); the position is held between 0 and the maximum, so a position
// past the end shows a full bar and reads as the maximum.
class TProgressBar final : public QProgressBar
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TProgressBar)

public:
    explicit TProgressBar(QWidget *parent = nullptr);

    int Max() const { return m_max; }
    int Position() const { return m_position; }
    void SetMax(int max);
    void SetPosition(int position);

private:
    void Show();

    int m_max = 100;
    int m_position = 0;
};

// The window that a batch shows while it converts: the file in progress, the
// per-file and overall bars, the row counter, the latest encoder output and
// the Stop button.
class TfrmConverting final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmConverting)

public:
    explicit TfrmConverting(QWidget *parent = nullptr);
    ~TfrmConverting() override;

    QLabel *lblInfo = nullptr;
    QLabel *lblCurConvertFileL = nullptr;
    QLabel *lblCurFileName = nullptr;
    QLabel *lblPersent = nullptr;
    QLabel *lblCurprog = nullptr;
    QLabel *lblTotalFilr = nullptr;
    TProgressBar *ProgressBar1 = nullptr;
    TProgressBar *pbTotal = nullptr;
    QLineEdit *edt1 = nullptr;
    QLineEdit *edt2 = nullptr;
    TRzBmpButton *btnStop = nullptr;
    QStatusBar *statState = nullptr;
    QTimer *tmrChanging = nullptr;
    QTimer *Timer1 = nullptr;
    QAction *actRefreshProgress = nullptr;
    QLabel *imgBK[6] = {};
    QLabel *img[6] = {};
    int LightIndex = 0;

    // The first panel of the status bar: the latest encoder output, unchanged.
    QString StatusPanelText() const;
    void SetStatusPanelText(const QString &text);

    void FormShow();
    void btnStop1Click();
    // The question of the close command, "Are you sure to stop processing ?".
    // On Yes the batch in progress stops as the close command stops it: the
    // window hides, the main window is enabled, no further row is converted
    // and the encoder is ended; the batch itself returns once it has finished
    // the current row's steps. Returns whether the user said Yes; true without
    // asking when the batch is already stopping. Meant to be called while a
    // batch runs (TCustomProc::IsConverting).
    bool ConfirmStopProcessing();
    // Ends the batch as a confirmed Stop does: the window hides, the batch
    // ends after the current row and the encoder is terminated.
    void StopBatch();
    void tmrChangingTimer();
    void actRefreshProgressExecute();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    // Hides the window, gives the main window back and ends the batch after
    // the current row.
    void StopProcessing();

    QLabel *m_statusPanel = nullptr;
    QString m_statusText;
    QPixmap m_background;
    QPoint m_dragOffset;
};

// The progress callback the batch hands to the console runner.
void OnEncoderOutput(const QString &chunk);

// The program-wide progress window.
extern TfrmConverting *frmConverting;
