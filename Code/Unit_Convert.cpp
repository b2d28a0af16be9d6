#include "Unit_Convert.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QBitmap>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QProgressBar>
#include <QScreen>
#include <QSizeGrip>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "AppErrors.h"
#include "FlashForm.h"
#include "FuncObjects.h"
#include "PlatformLayer.h"
#include "PreviewGraph.h"
#include "SegmentBar.h"
#include "SegmentMath.h"
#include "Simple.h"
#include "Skin.h"
#include "Unit_ConfigInfo.h"
#include "Unit_Converting.h"
#include "Unit_Option.h"
#include "UnitCustomProc.h"

TFrmMainForm *FrmMainForm = nullptr;
int MarkDurationSeconds = 0;
QString EndMarkText;
bool MarksPlaced = false;

namespace {

// The service objects live until the process ends; creating another main
// window (as tests do) replaces them with a fresh set.
void CreateServiceObjects()
{
    static std::unique_ptr<TCustomProc> customProc;
    static std::unique_ptr<TCommonLib> commonLib;
    CreateFuncObjects();
    customProc = std::make_unique<TCustomProc>();
    commonLib = std::make_unique<TCommonLib>(AppFunc->GetAppPath());
    CustomProc = customProc.get();
    CommonLib = commonLib.get();
}

template <typename Widget>
Widget *Named(Widget *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

TRzBmpButton *MakeButton(QWidget *parent, const char *name, const QString &skin, const QRect &geometry,
                         const QString &tip)
{
    auto *button = Named(new TRzBmpButton(parent), name);
    const TButtonPictures pictures = SkinButtonPictures(skin, geometry.size());
    button->SetPictures(pictures.Up, pictures.Hot, pictures.Down);
    button->setGeometry(geometry);
    button->setToolTip(tip);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

// A picture of the skin: it keeps its colours while the window is disabled
// during a batch, where a plain label would grey it out.
class TPictureLabel final : public QLabel
{
public:
    explicit TPictureLabel(QWidget *parent) : QLabel(parent) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.drawPixmap(contentsRect(), pixmap());
    }
};

QLabel *MakePicture(QWidget *parent, const char *name, const QString &skin, const QRect &geometry)
{
    auto *picture = Named(new TPictureLabel(parent), name);
    picture->setGeometry(geometry);
    picture->setPixmap(SkinPicture(skin, geometry.size()));
    return picture;
}

QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, const QRect &geometry)
{
    auto *label = Named(new QLabel(text, parent), name);
    label->setGeometry(geometry);
    return label;
}

// Column headers with 12-pixel pictures and narrow margins, so that every
// caption fits its column at the window's designed size.
class THeaderStyle final : public QProxyStyle
{
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_SmallIconSize)
            return 12;
        if (metric == PM_HeaderMargin)
            return 2;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

constexpr int ListTop = 345;
// What of the title and background pictures keeps its shape when the window grows.
const QMargins TitleKeep(320, 0, 24, 0);
const QMargins BackgroundKeep(16, 16, 16, 16);

QSize DesignSize()
{
    return {TFrmMainForm::DesignWidth, TFrmMainForm::DesignHeight};
}
constexpr int PanelLeft = 292;
constexpr int PanelTop = 118;
constexpr int PanelWidth = 413;
constexpr int PanelHeight = 192;

} // namespace

// --- TSourceListView -------------------------------------------------------------------

TSourceListView::TSourceListView(QWidget *parent)
    : QTreeWidget(parent)
{
    setColumnCount(SourceColumnCount);
    setHeaderLabels({QString(), QStringLiteral("File Name"), QStringLiteral("File Size"), QStringLiteral("Duration"),
                     QStringLiteral("Start Time"), QStringLiteral("End Time"), QStringLiteral("Cut Time")});
    hideColumn(colCheckStatus);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    // Long paths keep their beginning and the file's own name in view.
    setTextElideMode(Qt::ElideMiddle);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    header()->setMinimumSectionSize(24);
    auto *headerStyle = new THeaderStyle;
    headerStyle->setParent(header());
    header()->setStyle(headerStyle);
    // Grid lines between cells and a selection that stays visible without focus.
    setStyleSheet(QStringLiteral(
        "QTreeView { gridline-color: #c4cedb; }"
        "QTreeView::item { border-right: 1px solid #d5dde8; border-bottom: 1px solid #d5dde8; padding: 0 2px; }"
        "QTreeView::item:selected { background: #3d74c2; color: white; }"
        "QHeaderView::section { padding: 2px 1px; border: none; border-right: 1px solid #aab6c6;"
        " border-bottom: 1px solid #8f9db0; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        " stop:0 #fdfdfe, stop:1 #dde4ee); }"));
}

QString TSourceListView::RowsMimeType()
{
    return QStringLiteral("application/x-sonabrix-source-rows");
}

QStringList TSourceListView::mimeTypes() const
{
    return {RowsMimeType(), QStringLiteral("text/uri-list")};
}

QMimeData *TSourceListView::mimeData(const QList<QTreeWidgetItem *> &items) const
{
    // The row numbers only: a drag of rows never names a file to the outside.
    QStringList rows;
    for (const QTreeWidgetItem *item : items)
        rows << QString::number(indexOfTopLevelItem(const_cast<QTreeWidgetItem *>(item)));
    auto *data = new QMimeData;
    data->setData(RowsMimeType(), rows.join(QLatin1Char(',')).toLatin1());
    return data;
}

void TSourceListView::startDrag(Qt::DropActions)
{
    const QList<QTreeWidgetItem *> items = selectedItems();
    if (items.isEmpty())
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(mimeData(items));
    drag->exec(Qt::MoveAction);
    QObject *target = drag->target();
    if (OnEndDrag)
        OnEndDrag(target);
}

void TSourceListView::dragEnterEvent(QDragEnterEvent *event)
{
    event->acceptProposedAction();
}

void TSourceListView::dragMoveEvent(QDragMoveEvent *event)
{
    event->acceptProposedAction();
}

void TSourceListView::dropEvent(QDropEvent *event)
{
    event->acceptProposedAction();
    const QMimeData *data = event->mimeData();
    if (!data->hasFormat(RowsMimeType()) && data->hasUrls() && OnFilesDropped)
        OnFilesDropped(data->urls());
}

void TSourceListView::keyPressEvent(QKeyEvent *event)
{
    if (OnKeyDown && OnKeyDown(event->key())) {
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

bool TSourceListView::viewportEvent(QEvent *event)
{
    const bool handled = QTreeWidget::viewportEvent(event);
    if (event->type() == QEvent::Resize)
        FitColumns();
    return handled;
}

void TSourceListView::FitColumns()
{
    constexpr int shares[] = {68, 28, 28, 28, 28, 28};
    constexpr int total = 68 + 5 * 28;
    const int width = viewport()->width();
    int used = 0;
    for (int i = 0; i < 6; ++i) {
        const int column = colFileName + i;
        const int w = i == 5 ? width - used : width * shares[i] / total;
        setColumnWidth(column, std::max(w, 24));
        used += w;
    }
}

// --- TDSTrackBar ----------------------------------------------------------------------

TDSTrackBar::TDSTrackBar(QObject *parent)
    : QObject(parent)
{
    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &TDSTrackBar::Tick);
}

void TDSTrackBar::SetTicking(bool ticking)
{
    if (ticking)
        m_timer->start();
    else
        m_timer->stop();
}

bool TDSTrackBar::Ticking() const
{
    return m_timer->isActive();
}

void TDSTrackBar::Tick()
{
    if (!Graph || !Graph->Active())
        return;
    const qint64 duration = std::max<qint64>(Graph->DurationMs(), 0);
    const qint64 current = std::max<qint64>(Graph->CurrentPositionMs(), 0);
    Min = 0;
    Max = static_cast<int>(duration / 1000);
    Position = static_cast<int>(current / 1000);
    if (OnTimer)
        RunReportingErrors([&] { OnTimer(static_cast<quint64>(current), static_cast<quint64>(duration)); });
}

// --- TFrmMainForm ----------------------------------------------------------------------

TFrmMainForm::TFrmMainForm(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    FrmMainForm = this;
    // FormCreate: the service objects first; everything else reaches them.
    CreateServiceObjects();
    setObjectName(QStringLiteral("FrmMainForm"));
    setWindowTitle(ApplicationTitle());
    // The layout is made for an 11-pixel sans-serif, whatever the desktop's font size.
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    setFont(font);
    resize(DesignWidth, DesignHeight);
    setMinimumSize(MinWidth, MinHeight);

    CreateControls();
    CreatePreview();
    ArrangeControls();

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    CheckRequiredFiles();
}

TFrmMainForm::~TFrmMainForm()
{
    dstrckbrMainform->SetTicking(false);
    if (FrmMainForm == this)
        FrmMainForm = nullptr;
}

void TFrmMainForm::CreateControls()
{
    imgTitle = MakePicture(this, "imgTitle", QStringLiteral("title"), QRect(3, 3, 713, 65));
    lblTitle = MakeLabel(this, "lblTitle", QStringLiteral("Sonabrix"), QRect(64, 10, 433, 24));
    QFont titleFont = font();
    titleFont.setBold(true);
    titleFont.setPixelSize(15);
    lblTitle->setFont(titleFont);
    lblTitle->setStyleSheet(QStringLiteral("color: white;"));
    lblTitle->installEventFilter(this);
    imgTitle->installEventFilter(this);

    btnWindowMinimize = MakeButton(this, "btnWindowMinimize", QStringLiteral("minimize"), QRect(646, 7, 31, 27),
                                   QStringLiteral("Minimize"));
    btnWindowClose = MakeButton(this, "btnWindowClose", QStringLiteral("close"), QRect(679, 7, 31, 27),
                                QStringLiteral("Close"));
    btnWindowMaxsize = MakeButton(this, "btnWindowMaxsize", QStringLiteral("maximize"), QRect(613, 7, 31, 27),
                                  QString());
    btnWindowMaxsize->hide();

    btnHomePage = MakeButton(this, "btnHomePage", QStringLiteral("homepage"), QRect(501, 72, 48, 41),
                             QStringLiteral("Home page"));
    btnEMail = MakeButton(this, "btnEMail", QStringLiteral("email"), QRect(552, 72, 48, 41),
                          QStringLiteral("Write to support"));
    btnHelp = MakeButton(this, "btnHelp", QStringLiteral("help"), QRect(603, 72, 48, 41), QStringLiteral("Help"));
    btnAbout = MakeButton(this, "btnAbout", QStringLiteral("about"), QRect(654, 72, 48, 41), QStringLiteral("About"));

    const int x = PanelLeft + 12;
    lblOutputFileTypeName = MakeLabel(this, "lblOutputFileTypeName", QStringLiteral("Output FileType:"),
                                      QRect(x, PanelTop + 8, 200, 15));
    cbbOutputFiletype = Named(new QComboBox(this), "cbbOutputFiletype");
    cbbOutputFiletype->setGeometry(x, PanelTop + 24, 304, 22);
    lblProfileSettings = MakeLabel(this, "lblProfileSettings", QStringLiteral("Profile Settings:"),
                                   QRect(x, PanelTop + 53, 200, 15));
    cbbProfile = Named(new QComboBox(this), "cbbProfile");
    cbbProfile->setGeometry(x, PanelTop + 69, 304, 22);
    btnOptions = MakeButton(this, "btnOptions", QStringLiteral("options"), QRect(x + 310, PanelTop + 66, 87, 29),
                            QStringLiteral("Advanced audio settings and custom profiles"));
    lblOutputFolderInfo = MakeLabel(this, "lblOutputFolderInfo", QStringLiteral("Output Folder:"),
                                    QRect(x, PanelTop + 98, 200, 15));
    edtOutputFolder = Named(new QLineEdit(QDir::homePath() + QStringLiteral("/sonabrix"), this), "edtOutputFolder");
    edtOutputFolder->setReadOnly(true);
    edtOutputFolder->setGeometry(x, PanelTop + 114, 264, 22);
    btnSelectOutputFolder = MakeButton(this, "btnSelectOutputFolder", QStringLiteral("folder"),
                                       QRect(x + 270, PanelTop + 112, 29, 26), QStringLiteral("Choose the output folder"));
    chkShutdown = Named(new QCheckBox(QStringLiteral("Shutdown computer when job is finished."), this), "chkShutdown");
    chkShutdown->setGeometry(x, PanelTop + 146, 300, 18);
    chkShowOutputDirectory =
        Named(new QCheckBox(QStringLiteral("Show output directory when done"), this), "chkShowOutputDirectory");
    chkShowOutputDirectory->setGeometry(x, PanelTop + 166, 300, 18);
    chkShowOutputDirectory->setChecked(true);
    chkDisableAudio = Named(new QCheckBox(QStringLiteral("Disable Audio"), this), "chkDisableAudio");
    chkDisableAudio->setGeometry(x + 250, PanelTop + 166, 120, 18);
    chkDisableAudio->hide();
    for (QWidget *w : {static_cast<QWidget *>(chkShutdown), static_cast<QWidget *>(chkShowOutputDirectory)})
        w->setFocusPolicy(Qt::TabFocus);

    dxTreeSourceFileInfo = Named(new TSourceListView(this), "dxTreeSourceFileInfo");
    dxTreeSourceFileInfo->setGeometry(18, ListTop, 557, 158);
    const char *headerPictures[] = {"hdr_file", "hdr_size", "hdr_duration", "hdr_start", "hdr_end", "hdr_cut"};
    for (int i = 0; i < 6; ++i)
        dxTreeSourceFileInfo->headerItem()->setIcon(colFileName + i,
                                                    QIcon(SkinPicture(QLatin1String(headerPictures[i]), QSize(14, 14))));
    dxTreeSourceFileInfo->OnKeyDown = [this](int key) {
        bool handled = false;
        RunReportingErrors([&] { handled = dxTreeSourceFileInfoKeyDown(key); });
        return handled;
    };
    dxTreeSourceFileInfo->OnEndDrag = [this](QObject *target) {
        RunReportingErrors([&] { dxTreeSourceFileInfoEndDrag(target); });
    };
    dxTreeSourceFileInfo->OnFilesDropped = [this](const QList<QUrl> &urls) {
        RunReportingErrors([&] { FilesDropped(urls); });
    };

    btnOpenFile = MakeButton(this, "btnOpenFile", QStringLiteral("openfile"), QRect(593, 319, 108, 38),
                             QStringLiteral("Add media files to the list"));
    btnRemoveFile = MakeButton(this, "btnRemoveFile", QStringLiteral("removefile"), QRect(593, 360, 108, 38),
                               QStringLiteral("Remove the selected files from the list"));
    btnClearFile = MakeButton(this, "btnClearFile", QStringLiteral("clearfile"), QRect(593, 401, 108, 38),
                              QStringLiteral("Remove all files from the list"));
    btnConvert = MakeButton(this, "btnConvert", QStringLiteral("convert"), QRect(593, 443, 108, 60),
                            QStringLiteral("Convert the listed files"));
    dlgOpenSourceFile.Filter = SourceFileDialogFilter();

    SizeGrip = Named(new QSizeGrip(this), "SizeGrip");
    SizeGrip->resize(14, 14);

    actMinimize = Named(new QAction(this), "actMinimize");
    actCloseWindow = Named(new QAction(this), "actCloseWindow");
    actOpenOptions = Named(new QAction(this), "actOpenOptions");
    actMoveWindow = Named(new QAction(this), "actMoveWindow");
    actDxTreeListOnClick = Named(new QAction(this), "actDxTreeListOnClick");
    connect(actMinimize, &QAction::triggered, this, ReportingErrors(this, &TFrmMainForm::actMinimizeExecute));
    connect(actCloseWindow, &QAction::triggered, this, ReportingErrors(this, &TFrmMainForm::actCloseWindowExecute));
    connect(actOpenOptions, &QAction::triggered, this, ReportingErrors(this, &TFrmMainForm::actOpenOptionsExecute));
    connect(actMoveWindow, &QAction::triggered, this, ReportingErrors(this, &TFrmMainForm::actMoveWindowExecute));
    connect(actDxTreeListOnClick, &QAction::triggered, this,
            ReportingErrors(this, &TFrmMainForm::actDxTreeListOnClickExecute));
    connect(btnWindowMinimize, &QAbstractButton::clicked, actMinimize, &QAction::trigger);
    connect(btnWindowClose, &QAbstractButton::clicked, actCloseWindow, &QAction::trigger);
    connect(btnHomePage, &QAbstractButton::clicked, this, ReportingErrors(this, &TFrmMainForm::ActSysHomePageExecute));
    connect(btnEMail, &QAbstractButton::clicked, this, ReportingErrors(this, &TFrmMainForm::ActSysEmailExecute));
    connect(btnHelp, &QAbstractButton::clicked, this, ReportingErrors(this, &TFrmMainForm::ActSysHelpExecute));
    connect(btnAbout, &QAbstractButton::clicked, this, ReportingErrors(this, &TFrmMainForm::ActSysAboutExecute));

    // Choices react to the user's changes only, never to selections from code.
    connect(cbbOutputFiletype, &QComboBox::activated, this, ReportingErrors(this, &TFrmMainForm::cbbOutputFiletypeChange));
    connect(cbbProfile, &QComboBox::activated, this, ReportingErrors(this, &TFrmMainForm::cbbProfileChange));
    connect(btnOpenFile, &QAbstractButton::clicked, this, ReportingErrors(this, &TFrmMainForm::btnOpenFileClick));
    connect(btnRemoveFile, &QAbstractButton::clicked, this, ReportingErrors(this, &TFrmMainForm::btnRemoveFileClick));
    connect(btnClearFile, &QAbstractButton::clicked, this, ReportingErrors(this, &TFrmMainForm::btnClearFileClick));
    connect(btnOptions, &QAbstractButton::clicked, this, ReportingErrors(this, &TFrmMainForm::btnOptionsClick));
    connect(btnSelectOutputFolder, &QAbstractButton::clicked, this,
            ReportingErrors(this, &TFrmMainForm::btnSelectOutputFolderClick));
    connect(btnConvert, &QAbstractButton::clicked, this, ReportingErrors(this, &TFrmMainForm::btnConvertClick));
    connect(dxTreeSourceFileInfo, &QTreeWidget::itemClicked, actDxTreeListOnClick, &QAction::trigger);
    connect(dxTreeSourceFileInfo, &QTreeWidget::itemDoubleClicked, this,
            ReportingErrors(this, &TFrmMainForm::dxTreeSourceFileInfoDblClick));

    tmrClearMemory = Named(new QTimer(this), "tmrClearMemory");
    tmrClearMemory->setInterval(1000);
    connect(tmrClearMemory, &QTimer::timeout, this, ReportingErrors(this, &TFrmMainForm::tmrClearMemoryTimer));
    tmrClearMemory->start();

    m_background = SkinPicture(QStringLiteral("background"), DesignSize());
    m_panel = SkinPicture(QStringLiteral("panel"), QSize(PanelWidth, PanelHeight));
}

void TFrmMainForm::CreatePreview()
{
    imgPlayer = MakePicture(this, "imgPlayer", QStringLiteral("player"), QRect(12, 72, 272, 236));
    imgPlayer->lower();

    pnlMediaView = Named(new QFrame(this), "pnlMediaView");
    pnlMediaView->setGeometry(18, 78, 260, 158);
    pnlMediaView->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlMediaView->setLineWidth(2);
    DSVideoWindowEx1 = Named(new TDSVideoWindow(pnlMediaView), "DSVideoWindowEx1");
    DSVideoWindowEx1->setGeometry(2, 2, 256, 154);
    panLogo = Named(new QWidget(DSVideoWindowEx1), "panLogo");
    panLogo->setGeometry(0, 0, 256, 154);
    imgLOGO = MakePicture(panLogo, "imgLOGO", QStringLiteral("logo"), QRect(0, 0, 256, 154));

    pbPlayState = Named(new QProgressBar(this), "pbPlayState");
    pbPlayState->setGeometry(18, 239, 260, 10);
    pbPlayState->setTextVisible(false);
    pbPlayState->setRange(0, 0);
    pbPlayState->setMaximum(1);
    pbPlayState->setValue(0);
    pbPlayState->setStyleSheet(QStringLiteral(
        "QProgressBar { border: 1px solid #0d1520; border-radius: 3px; background: #101820; }"
        "QProgressBar::chunk { border-radius: 2px; background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        " stop:0 #9fd0ff, stop:1 #2f78d0); }"));

    imgPlay = MakePicture(this, "imgPlay", QStringLiteral("playstrip"), QRect(18, 252, 260, 26));
    btnPlay = MakeButton(this, "btnPlay", QStringLiteral("play"), QRect(21, 254, 26, 22), QStringLiteral("Play"));
    btnPause = MakeButton(this, "btnPause", QStringLiteral("pause"), QRect(49, 254, 26, 22), QStringLiteral("Pause"));
    RzBmpButton1 = MakeButton(this, "RzBmpButton1", QStringLiteral("stop"), QRect(77, 254, 26, 22), QStringLiteral("Stop"));
    pnlCurTime = MakeLabel(this, "pnlCurTime", QStringLiteral("00:00:00"), QRect(193, 256, 81, 17));
    pnlCurTime->setAlignment(Qt::AlignCenter);
    QFont clockFont = font();
    clockFont.setFamily(QStringLiteral("Monospace"));
    clockFont.setStyleHint(QFont::Monospace);
    clockFont.setPixelSize(15);
    clockFont.setBold(true);
    pnlCurTime->setFont(clockFont);
    pnlCurTime->setStyleSheet(QStringLiteral("background: black; color: #7fc4ff; border: 1px solid #0b1118;"));

    Panel1 = Named(new TSegmentBar(this), "Panel1");
    Panel1->setGeometry(18, 282, SegmentMath::BarWidth, 21);
    Panel2 = Named(Panel1->LeftRegion, "Panel2");
    Splitter1 = Named(Panel1->StartThumb, "Splitter1");
    Panel4 = Named(Panel1->MiddleRegion, "Panel4");
    Splitter2 = Named(Panel1->EndThumb, "Splitter2");
    Panel3 = Named(Panel1->RightRegion, "Panel3");
    Panel1->SetTexture(SkinPicture(QStringLiteral("bar"), QSize(258, 19)));
    Splitter1->setToolTip(QStringLiteral("Start of the segment to convert"));
    Splitter2->setToolTip(QStringLiteral("End of the segment to convert"));
    for (QWidget *thumb : {static_cast<QWidget *>(Splitter1), static_cast<QWidget *>(Splitter2)}) {
        QPalette palette = thumb->palette();
        palette.setColor(QPalette::Window, QColor(0x2b, 0x34, 0x41));
        thumb->setPalette(palette);
    }

    imgL = MakeLabel(this, "imgL", QString(), QRect(0, 0, 18, 20));
    imgR = MakeLabel(this, "imgR", QString(), QRect(0, 0, 18, 20));
    imgL->setPixmap(SkinPicture(QStringLiteral("thumb_left"), imgL->size()));
    imgR->setPixmap(SkinPicture(QStringLiteral("thumb_right"), imgR->size()));
    imgL->hide();
    imgR->hide();
    // Black pixels of the thumb pictures show the thumb's own colour.
    m_thumbLeft = imgL->pixmap();
    m_thumbLeft.setMask(m_thumbLeft.createMaskFromColor(Qt::black));
    m_thumbRight = imgR->pixmap();
    m_thumbRight.setMask(m_thumbRight.createMaskFromColor(Qt::black));

    Splitter1->OnMoved = [this] { RunReportingErrors([this] { Splitter1Moved(); }); };
    Splitter2->OnMoved = [this] { RunReportingErrors([this] { Splitter2Moved(); }); };
    Splitter1->OnPaint = [this] { Splitter1Paint(); };
    Splitter2->OnPaint = [this] { Splitter2Paint(); };
    Panel2->OnMouseDown = [this](Qt::MouseButton b, Qt::MouseButtons bs, Qt::KeyboardModifiers m) {
        RunReportingErrors([&] { Panel2MouseDown(b, bs, m); });
    };
    Panel4->OnMouseDown = [this](Qt::MouseButton b, Qt::MouseButtons bs, Qt::KeyboardModifiers m) {
        RunReportingErrors([&] { Panel4MouseDown(b, bs, m); });
    };
    Panel3->OnMouseDown = [this](Qt::MouseButton b, Qt::MouseButtons bs, Qt::KeyboardModifiers m) {
        RunReportingErrors([&] { Panel3MouseDown(b, bs, m); });
    };

    dstrckbrMainform = Named(new TDSTrackBar(this), "dstrckbrMainform");
    dstrckbrMainform->OnTimer = [this](quint64 current, quint64 stop) { dstrckbrMainformTimer(current, stop); };
    SetFilterGraph(std::make_unique<TQtFilterGraph>(DSVideoWindowEx1));

    connect(btnPlay, &QAbstractButton::clicked, this, ReportingErrors(this, &TFrmMainForm::btnPlayClick));
    connect(btnPause, &QAbstractButton::clicked, this, ReportingErrors(this, &TFrmMainForm::btnPauseClick));
    connect(RzBmpButton1, &QAbstractButton::clicked, this, ReportingErrors(this, &TFrmMainForm::RzBmpButton1Click));
}

void TFrmMainForm::SetFilterGraph(std::unique_ptr<TFilterGraph> graph)
{
    dstrckbrMainform->SetTicking(false);
    FilterGraph = std::move(graph);
    dstrckbrMainform->Graph = FilterGraph.get();
}

void TFrmMainForm::ArrangeControls()
{
    // Controls keep their designed places; those anchored right or at the
    // bottom follow the window's growth, the list and the choices stretch.
    const int dw = width() - DesignWidth;
    const int dh = height() - DesignHeight;
    imgTitle->resize(713 + dw, 65);
    if (imgTitle->pixmap().deviceIndependentSize().toSize() != imgTitle->size())
        imgTitle->setPixmap(SkinPictureStretched(QStringLiteral("title"), QSize(713, 65), imgTitle->size(), TitleKeep));
    btnWindowMinimize->move(646 + dw, 7);
    btnWindowClose->move(679 + dw, 7);
    btnWindowMaxsize->move(613 + dw, 7);
    btnHomePage->move(501 + dw, 72);
    btnEMail->move(552 + dw, 72);
    btnHelp->move(603 + dw, 72);
    btnAbout->move(654 + dw, 72);
    cbbOutputFiletype->resize(304 + dw, 22);
    cbbProfile->resize(304 + dw, 22);
    btnOptions->move(PanelLeft + 322 + dw, PanelTop + 66);
    edtOutputFolder->resize(264 + dw, 22);
    btnSelectOutputFolder->move(PanelLeft + 282 + dw, PanelTop + 112);
    dxTreeSourceFileInfo->setGeometry(18, ListTop, 557 + dw, 158 + dh);
    btnOpenFile->move(593 + dw, 319 + dh);
    btnRemoveFile->move(593 + dw, 360 + dh);
    btnClearFile->move(593 + dw, 401 + dh);
    btnConvert->move(593 + dw, 443 + dh);
    SizeGrip->move(width() - SizeGrip->width() - 2, height() - SizeGrip->height() - 2);
    SizeGrip->raise();
}

// --- Window handlers ------------------------------------------------------------------

void TFrmMainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        RunReportingErrors([this] { FormShow(); });
    }
}

void TFrmMainForm::FormShow()
{
    CustomProc->FillAllCombos();
    setAcceptDrops(true);
    ShowSplash(this, lblTitle);
    setWindowTitle(ApplicationTitle());
    CustomProc->ApplyProfile();
}

void TFrmMainForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    RunReportingErrors([this] { FormResize(); });
}

void TFrmMainForm::FormResize()
{
    setMinimumSize(MinWidth, MinHeight);
    ArrangeControls();
    // The outline follows the background picture's opaque pixels.
    if (m_background.deviceIndependentSize().toSize() != size())
        m_background = SkinPictureStretched(QStringLiteral("background"), DesignSize(), size(), BackgroundKeep);
    const QImage outline =
        SkinImageStretched(QStringLiteral("background"), DesignSize(), size(), BackgroundKeep, 1.0);
    setMask(QBitmap::fromImage(outline.createAlphaMask()));
    update();
}

void TFrmMainForm::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
    const int dw = width() - DesignWidth;
    if (m_panel.deviceIndependentSize().toSize() != QSize(PanelWidth + dw, PanelHeight))
        m_panel = SkinPictureStretched(QStringLiteral("panel"), QSize(PanelWidth, PanelHeight),
                                       QSize(PanelWidth + dw, PanelHeight), QMargins(12, 12, 12, 12));
    painter.drawPixmap(PanelLeft, PanelTop, m_panel);

    // The caption over the list.
    QFont bold = font();
    bold.setBold(true);
    bold.setPixelSize(12);
    painter.setFont(bold);
    painter.setPen(QColor(0x1d, 0x3f, 0x78));
    painter.drawText(QRect(20, 318, 200, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Source Files"));
    painter.setFont(font());
    painter.setPen(QColor(0x55, 0x66, 0x7d));
    painter.drawText(QRect(112, 318, 470 + dw, 24), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Drop media files here, click a row to mark its segment, double-click to play."));
}

void TFrmMainForm::closeEvent(QCloseEvent *event)
{
    if (m_batchRunning) {
        if (!Platform().AskYesNo(ApplicationTitle(), QStringLiteral("Are you sure to stop processing ?"))) {
            event->ignore();
            return;
        }
        frmConverting->StopBatch();
    }
    RunReportingErrors([this] { FormClose(); });
    event->accept();
    // The program ends with its main window, whatever else is open; a batch
    // on the stack unwinds first.
    QCoreApplication::exit(0);
}

void TFrmMainForm::FormClose()
{
    dstrckbrMainform->SetTicking(false);
    if (FilterGraph) {
        FilterGraph->SetActive(false);
        FilterGraph->ClearGraph();
    }
}

void TFrmMainForm::tmrClearMemoryTimer()
{
    CommonLib->TrimWorkingSet();
}

void TFrmMainForm::cbbOutputFiletypeChange()
{
    CustomProc->ApplyProfile();
}

void TFrmMainForm::cbbProfileChange()
{
    CustomProc->ApplyProfile();
}

void TFrmMainForm::btnOpenFileClick()
{
    const QStringList paths = CommonLib->ChooseSourceFiles(dlgOpenSourceFile, true, CustomProc->ReadInitDir());
    CommonLib->AddSourceFiles(dxTreeSourceFileInfo, paths);
    CustomProc->SaveInitDir();
}

void TFrmMainForm::btnRemoveFileClick()
{
    CommonLib->RemoveSelectedRows(dxTreeSourceFileInfo);
    CustomProc->StopVideo();
}

void TFrmMainForm::btnClearFileClick()
{
    CommonLib->ClearRows(dxTreeSourceFileInfo);
    CustomProc->StopVideo();
}

void TFrmMainForm::btnConvertClick()
{
    m_batchRunning = true;
    struct Done
    {
        bool &flag;
        ~Done() { flag = false; }
    } done{m_batchRunning};
    CustomProc->FileIndex = 0;
    CustomProc->ConvertFileList(dxTreeSourceFileInfo);
}

void TFrmMainForm::btnSelectOutputFolderClick()
{
    edtOutputFolder->setText(CommonLib->ChooseOutputFolder(edtOutputFolder->text()));
}

void TFrmMainForm::btnOptionsClick()
{
    frmOption->show();
    frmOption->raise();
}

void TFrmMainForm::actOpenOptionsExecute()
{
}

void TFrmMainForm::actMoveWindowExecute()
{
}

void TFrmMainForm::actMinimizeExecute()
{
    showMinimized();
}

void TFrmMainForm::actCloseWindowExecute()
{
    close();
}

void TFrmMainForm::ActSysHomePageExecute()
{
    OpenHomePage();
}

void TFrmMainForm::ActSysEmailExecute()
{
    SendSupportEmail();
}

void TFrmMainForm::ActSysHelpExecute()
{
    OpenHelpFile();
}

void TFrmMainForm::ActSysAboutExecute()
{
    ShowAboutBox();
}

// --- Moving the window ------------------------------------------------------------------

void TFrmMainForm::StartWindowMove(const QPoint &globalPos)
{
    // The window system moves the window where it can (X11 and Wayland);
    // without a window manager the program moves it itself.
    m_manualMove = !(windowHandle() && windowHandle()->startSystemMove());
    m_moveOffset = globalPos - frameGeometry().topLeft();
}

void TFrmMainForm::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        StartWindowMove(event->globalPosition().toPoint());
    QWidget::mousePressEvent(event);
}

void TFrmMainForm::mouseMoveEvent(QMouseEvent *event)
{
    if (m_manualMove && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - m_moveOffset);
    QWidget::mouseMoveEvent(event);
}

void TFrmMainForm::mouseReleaseEvent(QMouseEvent *event)
{
    m_manualMove = false;
    QWidget::mouseReleaseEvent(event);
}

void TFrmMainForm::lblTitleMouseMove()
{
    StartWindowMove(QCursor::pos());
}

bool TFrmMainForm::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const bool mouseEvent =
        type == QEvent::MouseMove || type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease;
    if ((watched == lblTitle || watched == imgTitle) && mouseEvent) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (event->type() == QEvent::MouseMove && (mouse->buttons() & Qt::LeftButton)) {
            if (m_manualMove)
                move(mouse->globalPosition().toPoint() - m_moveOffset);
            else if (watched == lblTitle)
                lblTitleMouseMove();
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
            StartWindowMove(mouse->globalPosition().toPoint());
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease)
            m_manualMove = false;
    }
    return QWidget::eventFilter(watched, event);
}

// --- Dropped files and the list's keys and drags ---------------------------------------------

void TFrmMainForm::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls() && !event->mimeData()->hasFormat(TSourceListView::RowsMimeType()))
        event->acceptProposedAction();
}

void TFrmMainForm::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    RunReportingErrors([this, urls] { FilesDropped(urls); });
}

void TFrmMainForm::FilesDropped(const QList<QUrl> &urls)
{
    QStringList paths;
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (!QFileInfo(path).isDir())
            paths << path;
    }
    CommonLib->AddSourceFiles(dxTreeSourceFileInfo, paths);
}

bool TFrmMainForm::dxTreeSourceFileInfoKeyDown(int key)
{
    if (key != Qt::Key_Delete)
        return false;
    CommonLib->RemoveSelectedRows(dxTreeSourceFileInfo);
    CustomProc->StopVideo();
    return true;
}

void TFrmMainForm::dxTreeSourceFileInfoEndDrag(QObject *target)
{
    auto *widget = qobject_cast<QWidget *>(target);
    const bool onList = widget && (widget == dxTreeSourceFileInfo || dxTreeSourceFileInfo->isAncestorOf(widget));
    if (!onList)
        btnRemoveFile->click();
}

// --- Preview ---------------------------------------------------------------------------

QList<QTreeWidgetItem *> TFrmMainForm::SelectedRowsInOrder() const
{
    QList<QTreeWidgetItem *> rows;
    for (int i = 0; i < dxTreeSourceFileInfo->topLevelItemCount(); ++i)
        if (dxTreeSourceFileInfo->topLevelItem(i)->isSelected())
            rows << dxTreeSourceFileInfo->topLevelItem(i);
    return rows;
}

void TFrmMainForm::btnPlayClick()
{
    if (!CommonLib->PlayingFile.isEmpty()) {
        if (!CustomProc->IsPlaying)
            CustomProc->ResumeVideo();
        return;
    }
    for (QTreeWidgetItem *row : SelectedRowsInOrder())
        CustomProc->PlayVideoFile(row->text(colFileName));
}

void TFrmMainForm::btnPauseClick()
{
    if (!CommonLib->PlayingFile.isEmpty() && CustomProc->IsPlaying)
        CustomProc->PauseVideo();
}

void TFrmMainForm::RzBmpButton1Click()
{
    CustomProc->StopVideo();
}

void TFrmMainForm::dstrckbrMainformTimer(quint64 currentPos, quint64 stopPos)
{
    pbPlayState->setMaximum(std::max(dstrckbrMainform->Max, 1));
    pbPlayState->setMinimum(dstrckbrMainform->Min);
    pbPlayState->setValue(std::min(dstrckbrMainform->Position, pbPlayState->maximum()));

    const qint64 seconds = FilterGraph ? FilterGraph->CurrentPositionMs() / 1000 : 0;
    pnlCurTime->setText(SegmentMath::ClockText(seconds));
    const qint64 previous = LastTickSeconds;
    LastTickSeconds = seconds;
    if (SegmentMath::EndMarkReached(pnlCurTime->text(), EndMarkText, previous, seconds)) {
        try {
            CommonLib->SeekVideo(FilterGraph.get(), 0);
        } catch (const EAppError &) {
            // Nothing loaded: there is nothing to rewind.
        }
        CustomProc->PauseVideo();
    }
    if (currentPos >= stopPos) {
        try {
            CommonLib->SeekVideo(FilterGraph.get(), 0);
        } catch (const EAppError &) {
        }
        CustomProc->StopVideo();
    }
}

void TFrmMainForm::actDxTreeListOnClickExecute()
{
    Panel1->resize(SegmentMath::BarWidth, Panel1->height());
    for (QTreeWidgetItem *row : SelectedRowsInOrder()) {
        if (row->text(colFileName) == CommonLib->PlayingFile)
            continue;
        CustomProc->StopVideo();
        const int duration = TCommonLib::LenientTimeTextToSeconds(row->text(colDuration));
        MarkDurationSeconds = duration;
        const int start = TCommonLib::LenientTimeTextToSeconds(row->text(colStartTime));
        const int end = TCommonLib::LenientTimeTextToSeconds(row->text(colEndTime));
        MarksPlaced = false;
        const SegmentMath::ThumbWidths placed =
            SegmentMath::PlaceThumbs(start, end, duration, {Panel1->LeftWidth(), Panel1->RightWidth()});
        Panel1->SetLeftWidth(placed.Left);
        Panel1->SetRightWidth(placed.Right);
        MarksPlaced = true;
    }
}

void TFrmMainForm::dxTreeSourceFileInfoDblClick()
{
    for (QTreeWidgetItem *row : SelectedRowsInOrder()) {
        const QString fileName = row->text(colFileName);
        if (fileName == CommonLib->PlayingFile) {
            CustomProc->PauseVideo();
        } else {
            CustomProc->PlayVideoFile(fileName);
            MarkDurationSeconds = TCommonLib::LenientTimeTextToSeconds(row->text(colDuration));
        }
    }
}

void TFrmMainForm::Splitter1Moved()
{
    Panel1->resize(SegmentMath::BarWidth, Panel1->height());
    const int percent = SegmentMath::OffsetPercent(SegmentMath::StartOffset(Panel1->LeftWidth()));
    const int seconds = SegmentMath::PercentSeconds(percent, MarkDurationSeconds);
    for (QTreeWidgetItem *row : SelectedRowsInOrder()) {
        row->setText(colStartTime, TCommonLib::SecondsToTimeText(seconds));
        row->setText(colCutTime, TCommonLib::SecondsToTimeText(CustomProc->SegmentSecondsOf(row->text(colFileName))));
        if (MarksPlaced) {
            try {
                CommonLib->SeekVideo(FilterGraph.get(), static_cast<qint64>(seconds) * 1000);
            } catch (const EAppError &) {
                // Nothing loaded: the mark moves without a preview.
            }
        }
        dxTreeSourceFileInfo->viewport()->update();
    }
}

void TFrmMainForm::Splitter2Moved()
{
    Panel1->resize(SegmentMath::BarWidth, Panel1->height());
    const int percent = SegmentMath::OffsetPercent(SegmentMath::EndOffset(Panel1->RightWidth()));
    const int seconds = SegmentMath::PercentSeconds(percent, MarkDurationSeconds);
    for (QTreeWidgetItem *row : SelectedRowsInOrder()) {
        const QString text = TCommonLib::SecondsToTimeText(seconds);
        row->setText(colEndTime, text);
        EndMarkText = text;
        row->setText(colCutTime, TCommonLib::SecondsToTimeText(CustomProc->SegmentSecondsOf(row->text(colFileName))));
        dxTreeSourceFileInfo->viewport()->update();
    }
}

void TFrmMainForm::PaintThumb(TSegmentThumb *thumb, const QPixmap &picture)
{
    QPainter painter(thumb);
    painter.fillRect(thumb->rect(), thumb->palette().window());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(thumb->rect(), picture);
}

void TFrmMainForm::Splitter1Paint()
{
    PaintThumb(Splitter1, m_thumbLeft);
}

void TFrmMainForm::Splitter2Paint()
{
    PaintThumb(Splitter2, m_thumbRight);
}

void TFrmMainForm::ApplyRegionMove(int region, Qt::MouseButton button, Qt::MouseButtons buttons,
                                   Qt::KeyboardModifiers modifiers)
{
    const int step = SegmentMath::RegionStep(button, buttons, modifiers);
    const SegmentMath::RegionMove move =
        SegmentMath::RegionClick(static_cast<SegmentMath::Region>(region), button, step, Panel1->LeftWidth(),
                                 Panel1->RightWidth(), Panel1->MiddleWidth());
    if (!move.Done)
        return;
    if (move.StartThumb) {
        Panel1->SetLeftWidth(move.NewWidth);
        Splitter1Moved();
    } else {
        Panel1->SetRightWidth(move.NewWidth);
        Splitter2Moved();
    }
}

void TFrmMainForm::Panel2MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    ApplyRegionMove(static_cast<int>(SegmentMath::Region::Left), button, buttons, modifiers);
}

void TFrmMainForm::Panel4MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    ApplyRegionMove(static_cast<int>(SegmentMath::Region::Middle), button, buttons, modifiers);
}

void TFrmMainForm::Panel3MouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    ApplyRegionMove(static_cast<int>(SegmentMath::Region::Right), button, buttons, modifiers);
}
