#pragma once

#include <functional>
#include <memory>

#include <QPixmap>
#include <QTreeWidget>
#include <QWidget>

#include "BmpButton.h"
#include "Unit_CommonLib.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QSizeGrip;
class QTimer;
class TBarRegion;
class TDSVideoWindow;
class TFilterGraph;
class TSegmentBar;
class TSegmentThumb;

// The source list: a flat grid of rows. Rows dragged out of it carry no file
// names, so no other program can move or delete the user's files through it.
class TSourceListView final : public QTreeWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TSourceListView)

public:
    explicit TSourceListView(QWidget *parent = nullptr);

    static QString RowsMimeType();
    // Spreads the visible columns over the width, 68 for the file name to
    // 28 for each of the others.
    void FitColumns();
    QMimeData *mimeData(const QList<QTreeWidgetItem *> &items) const override;

    // A key pressed in the list; true when it was handled.
    std::function<bool(int key)> OnKeyDown;
    // A drag of rows ended; the target is the widget that took the drop, or null.
    std::function<void(QObject *target)> OnEndDrag;
    // Files from another program dropped on the list.
    std::function<void(const QList<QUrl> &urls)> OnFilesDropped;

protected:
    QStringList mimeTypes() const override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;
};

// The preview's position ticker: while the file plays it reads the player's
// duration and position every 1000 ms and reports them.
class TDSTrackBar final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDSTrackBar)

public:
    explicit TDSTrackBar(QObject *parent = nullptr);

    int Min = 0;
    int Max = 0;
    int Position = 0;
    TFilterGraph *Graph = nullptr;
    // (current position, stop position), both in milliseconds.
    std::function<void(quint64 currentPos, quint64 stopPos)> OnTimer;

    void SetTicking(bool ticking);
    bool Ticking() const;
    // One tick, as the timer gives it.
    void Tick();

private:
    QTimer *m_timer = nullptr;
};

// The main window: a skinned window without the window manager's frame. It
// holds the choices that a conversion reads, the source list and the
// preview with its segment bar; its handlers hand over to the service objects.
class TFrmMainForm final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFrmMainForm)

public:
    explicit TFrmMainForm(QWidget *parent = nullptr);
    ~TFrmMainForm() override;

    static constexpr int DesignWidth = 719;
    static constexpr int DesignHeight = 511;
    static constexpr int MinWidth = 686;
    static constexpr int MinHeight = 511;

    // --- Window and choices ---------------------------------------------------
    QLabel *imgTitle = nullptr;
    QLabel *lblTitle = nullptr;
    TRzBmpButton *btnWindowMinimize = nullptr;
    TRzBmpButton *btnWindowClose = nullptr;
    TRzBmpButton *btnWindowMaxsize = nullptr;
    TRzBmpButton *btnHomePage = nullptr;
    TRzBmpButton *btnEMail = nullptr;
    TRzBmpButton *btnHelp = nullptr;
    TRzBmpButton *btnAbout = nullptr;
    QLabel *lblOutputFileTypeName = nullptr;
    QComboBox *cbbOutputFiletype = nullptr;
    QLabel *lblProfileSettings = nullptr;
    QComboBox *cbbProfile = nullptr;
    QLabel *lblOutputFolderInfo = nullptr;
    QLineEdit *edtOutputFolder = nullptr;
    TRzBmpButton *btnSelectOutputFolder = nullptr;
    QCheckBox *chkShutdown = nullptr;
    QCheckBox *chkShowOutputDirectory = nullptr;
    QCheckBox *chkDisableAudio = nullptr;
    TRzBmpButton *btnOptions = nullptr;
    TSourceListView *dxTreeSourceFileInfo = nullptr;
    TRzBmpButton *btnOpenFile = nullptr;
    TRzBmpButton *btnRemoveFile = nullptr;
    TRzBmpButton *btnClearFile = nullptr;
    TRzBmpButton *btnConvert = nullptr;
    TOpenDialog dlgOpenSourceFile;
    QTimer *tmrClearMemory = nullptr;
    QSizeGrip *SizeGrip = nullptr;

    QAction *actMinimize = nullptr;
    QAction *actCloseWindow = nullptr;
    QAction *actOpenOptions = nullptr;
    QAction *actMoveWindow = nullptr;
    QAction *actDxTreeListOnClick = nullptr;

    // --- Preview -------------------------------------------------------------------
    QLabel *imgPlayer = nullptr;
    QLabel *imgPlay = nullptr;
    QFrame *pnlMediaView = nullptr;
    TDSVideoWindow *DSVideoWindowEx1 = nullptr;
    QWidget *panLogo = nullptr;
    QLabel *imgLOGO = nullptr;
    QProgressBar *pbPlayState = nullptr;
    QLabel *pnlCurTime = nullptr;
    TRzBmpButton *btnPlay = nullptr;
    TRzBmpButton *btnPause = nullptr;
    TRzBmpButton *RzBmpButton1 = nullptr;
    TDSTrackBar *dstrckbrMainform = nullptr;
    TSegmentBar *Panel1 = nullptr;
    TBarRegion *Panel2 = nullptr;
    TSegmentThumb *Splitter1 = nullptr;
    TBarRegion *Panel4 = nullptr;
    TSegmentThumb *Splitter2 = nullptr;
    TBarRegion *Panel3 = nullptr;
    QLabel *imgL = nullptr;
    QLabel *imgR = nullptr;
    std::unique_ptr<TFilterGraph> FilterGraph;
    // Whole seconds the clock showed at the previous tick; -1 after a load,
    // seek, pause or stop.
    qint64 LastTickSeconds = -1;

    // Replaces the player (tests use one without sound or video).
    void SetFilterGraph(std::unique_ptr<TFilterGraph> graph);
    // Whether a batch conversion started here is running.
    bool BatchRunning() const { return m_batchRunning; }

    // --- Handlers ------------------------------------------------------------------
    void FormShow();
    void FormResize();
    void FormClose();
    void tmrClearMemoryTimer();
    void cbbOutputFiletypeChange();
    void cbbProfileChange();
    void btnOpenFileClick();
    void btnRemoveFileClick();
    void btnClearFileClick();
    void btnConvertClick();
    void btnSelectOutputFolderClick();
    void btnOptionsClick();
    void actOpenOptionsExecute();
    void actMoveWindowExecute();
    void actMinimizeExecute();
    void actCloseWindowExecute();
    void lblTitleMouseMove();
    void ActSysHomePageExecute();
    void ActSysEmailExecute();
    void ActSysHelpExecute();
    void ActSysAboutExecute();
    // Dropped files, in the order given; folders are left out.
    void FilesDropped(const QList<QUrl> &urls);
    bool dxTreeSourceFileInfoKeyDown(int key);
    bool dxTreeSourceFileInfoEditing() const { return false; }
    void dxTreeSourceFileInfoEndDrag(QObject *target);

    void actDxTreeListOnClickExecute();
    void dxTreeSourceFileInfoDblClick();
    void btnPlayClick();
    void btnPauseClick();
    void RzBmpButton1Click();
    void dstrckbrMainformTimer(quint64 currentPos, quint64 stopPos);
    void Splitter1Moved();
    void Splitter2Moved();
    void Splitter1Paint();
    void Splitter2Paint();
    void Panel2MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    void Panel4MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    void Panel3MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateControls();
    void CreatePreview();
    void ArrangeControls();
    // Where start-up shows its splash window while the window is first shown.
    void StartWindowMove(const QPoint &globalPos);
    void ApplyRegionMove(int region, Qt::MouseButton button, Qt::MouseButtons buttons,
                         Qt::KeyboardModifiers modifiers);
    void PaintThumb(TSegmentThumb *thumb, const QPixmap &picture);
    QList<QTreeWidgetItem *> SelectedRowsInOrder() const;

    bool m_shownOnce = false;
    bool m_batchRunning = false;
    QPixmap m_background;
    QPixmap m_panel;
    QPixmap m_thumbLeft;
    QPixmap m_thumbRight;
    // A window move done by the program where the window system offers none.
    bool m_manualMove = false;
    QPoint m_moveOffset;
};

// Segment-bar state, one set for the whole program.
// Duration in whole seconds of the row last clicked or double-clicked.
extern int MarkDurationSeconds;
// The end time last set by moving the end thumb; the clock is compared with it.
extern QString EndMarkText;
// True once the thumbs have been placed from a row.
extern bool MarksPlaced;

// The program-wide main window.
extern TFrmMainForm *FrmMainForm;
