#include "Unit_Converting.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>

#include "AppErrors.h"
#include "BmpButton.h"
#include "FuncObjects.h"
#include "PlatformLayer.h"
#include "Simple.h"
#include "Unit_CommonLib.h"
#include "Unit_Convert.h"
#include "UnitCustomProc.h"

TfrmConverting *frmConverting = nullptr;

namespace {

constexpr int ClientWidth = 435;
constexpr int ClientHeight = 222;
constexpr int ShapeHeight = 205;

// The window's own picture: a rounded frame, a title strip with the logo tab
// and the grey body. Its opaque pixels give the window its outline.
QPixmap MakeBackground()
{
    QPixmap picture(431, 203);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath outline;
    outline.addRoundedRect(QRectF(0.5, 0.5, 430, 202), 10, 10);
    QLinearGradient body(0, 0, 0, 203);
    body.setColorAt(0, QColor(236, 238, 242));
    body.setColorAt(1, QColor(210, 214, 220));
    painter.fillPath(outline, body);

    QPainterPath strip;
    strip.setFillRule(Qt::WindingFill);
    strip.addRoundedRect(QRectF(0.5, 0.5, 430, 34), 10, 10);
    strip.addRect(QRectF(0.5, 20, 430, 15));
    QLinearGradient title(0, 0, 0, 35);
    title.setColorAt(0, QColor(62, 110, 185));
    title.setColorAt(1, QColor(30, 66, 130));
    painter.fillPath(strip.simplified(), title);

    // The logo tab at the left of the title strip.
    QPainterPath tab;
    tab.setFillRule(Qt::WindingFill);
    tab.addRoundedRect(QRectF(14, 6, 104, 29), 6, 6);
    tab.addRect(QRectF(14, 25, 104, 10));
    painter.fillPath(tab.simplified(), QColor(236, 238, 242));
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(15);
    painter.setFont(font);
    painter.setPen(QColor(30, 66, 130));
    painter.drawText(QRectF(14, 8, 104, 27), Qt::AlignCenter, QStringLiteral("Sonabrix"));
    font.setBold(false);
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(130, 8, 280, 24), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Converting"));

    painter.setPen(QPen(QColor(24, 50, 100), 1));
    painter.drawPath(outline);
    return picture;
}

QPixmap MakeBall(const QColor &light, const QColor &dark)
{
    QPixmap ball(17, 17);
    ball.fill(Qt::transparent);
    QPainter painter(&ball);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shade(QPointF(6, 6), 10);
    shade.setColorAt(0, light);
    shade.setColorAt(1, dark);
    painter.setBrush(shade);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(1.5, 1.5, 14, 14));
    return ball;
}

QLabel *MakeLabel(QWidget *parent, const QString &text, int left, int top)
{
    auto *label = new QLabel(text, parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace

// --- TProgressBar -------------------------------------------------------------

TProgressBar::TProgressBar(QWidget *parent)
    : QProgressBar(parent)
{
    setTextVisible(false);
    Show();
}

void TProgressBar::SetMax(int max)
{
    m_max = max;
    m_position = std::clamp(m_position, 0, std::max(m_max, 0));
    Show();
}

void TProgressBar::SetPosition(int position)
{
    m_position = std::clamp(position, 0, std::max(m_max, 0));
    Show();
}

void TProgressBar::Show()
{
    if (m_max <= 0) {
        setRange(0, 1);
        setValue(0);
    } else {
        setRange(0, m_max);
        setValue(m_position);
    }
}

// --- TfrmConverting -------------------------------------------------------------

TfrmConverting::TfrmConverting(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    frmConverting = this;
    setObjectName(QStringLiteral("frmConverting"));
    setWindowTitle(QStringLiteral("Converting"));
    setFixedSize(ClientWidth, ClientHeight);
    // The window's small, fixed layout is made for an 8-point font.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    m_background = MakeBackground();
    QRegion shape(m_background.mask());
    shape += QRect(0, ShapeHeight, ClientWidth, ClientHeight - ShapeHeight);
    setMask(shape);

    const QPixmap unlit = MakeBall(QColor(235, 235, 235), QColor(130, 130, 130));
    const QPixmap lit = MakeBall(QColor(190, 225, 255), QColor(20, 90, 200));
    // The running light stands beside "Please wait . . .", clear of the bars.
    for (int i = 0; i < 6; ++i) {
        imgBK[i] = new QLabel(this);
        imgBK[i]->setPixmap(unlit);
        imgBK[i]->setGeometry(215 + 21 * i, 47, 17, 17);
        img[i] = new QLabel(this);
        img[i]->setPixmap(lit);
        img[i]->setGeometry(215 + 21 * i, 47, 17, 17);
        img[i]->hide();
    }

    lblInfo = MakeLabel(this, QStringLiteral("Please wait . . ."), 24, 45);
    QFont bold = lblInfo->font();
    bold.setBold(true);
    lblInfo->setFont(bold);
    lblInfo->resize(185, 20);
    lblCurConvertFileL = MakeLabel(this, QStringLiteral("Current Convert File:"), 24, 65);
    lblCurFileName = new QLabel(this);
    const int nameLeft = std::max(192, lblCurConvertFileL->x() + lblCurConvertFileL->width() + 6);
    lblCurFileName->setGeometry(nameLeft, 64, 409 - nameLeft, 15);
    lblCurFileName->setTextFormat(Qt::PlainText);
    lblPersent = MakeLabel(this, QStringLiteral("Current: 1, Total: ..."), 88, 144);
    lblPersent->resize(200, 15);
    lblCurprog = MakeLabel(this, QStringLiteral("Current File:"), 24, 113);
    lblTotalFilr = MakeLabel(this, QStringLiteral("Total File:"), 24, 88);

    // The bars begin after the wider of their captions, so that no font cuts
    // "Current File:" short; their right edge stays where it was drawn.
    const int barLeft = std::max(88, std::max(lblCurprog->x() + lblCurprog->width(),
                                              lblTotalFilr->x() + lblTotalFilr->width()) + 6);
    ProgressBar1 = new TProgressBar(this);
    ProgressBar1->setGeometry(barLeft, 112, 409 - barLeft, 17);
    pbTotal = new TProgressBar(this);
    pbTotal->setGeometry(barLeft, 88, 409 - barLeft, 17);

    edt1 = new QLineEdit(QStringLiteral("edt1"), this);
    edt1->setGeometry(24, 152, 121, 21);
    edt1->hide();
    edt2 = new QLineEdit(QStringLiteral("edt2"), this);
    edt2->setGeometry(144, 152, 121, 21);
    edt2->hide();

    btnStop = new TRzBmpButton(this);
    btnStop->setGeometry(296, 144, 108, 38);
    const TButtonPictures stop = MakeCaptionButtonPictures(QSize(108, 38), QStringLiteral("Stop"));
    btnStop->SetPictures(stop.Up, stop.Hot, stop.Down);
    btnStop->setToolTip(QStringLiteral("Stop"));
    connect(btnStop, &QAbstractButton::clicked, this, ReportingErrors(this, &TfrmConverting::btnStop1Click));

    statState = new QStatusBar(this);
    statState->setGeometry(0, ShapeHeight, ClientWidth, ClientHeight - ShapeHeight);
    statState->setSizeGripEnabled(false);
    m_statusPanel = new QLabel(statState);
    m_statusPanel->setMinimumWidth(50);
    m_statusPanel->setTextFormat(Qt::PlainText);
    statState->addWidget(m_statusPanel, 1);

    tmrChanging = new QTimer(this);
    tmrChanging->setInterval(333);
    connect(tmrChanging, &QTimer::timeout, this, ReportingErrors(this, &TfrmConverting::tmrChangingTimer));
    // Timer1 has no handler; it only keeps the ordinary timer interval, so it
    // never wakes the program more than once a second.
    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);

    actRefreshProgress = new QAction(this);
    connect(actRefreshProgress, &QAction::triggered, this, ReportingErrors(this, &TfrmConverting::actRefreshProgressExecute));

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TfrmConverting::~TfrmConverting()
{
    if (frmConverting == this)
        frmConverting = nullptr;
}

QString TfrmConverting::StatusPanelText() const
{
    return m_statusText;
}

void TfrmConverting::SetStatusPanelText(const QString &text)
{
    m_statusText = text;
    // The panel shows one line: the encoder's latest line of output.
    m_statusPanel->setText(StrFunc->GetLastLine(text));
}

void TfrmConverting::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        RunReportingErrors([this] { FormShow(); });
    } else {
        // Back from being minimised: only the timers stopped on hiding resume.
        Timer1->start();
        tmrChanging->start();
    }
}

void TfrmConverting::hideEvent(QHideEvent *event)
{
    // A hidden window wakes nobody: between batches the program sits idle.
    Timer1->stop();
    tmrChanging->stop();
    QWidget::hideEvent(event);
}

void TfrmConverting::FormShow()
{
    LightIndex = 0;
    for (QLabel *light : img)
        light->hide();
    Timer1->start();
    tmrChanging->start();
    CreateFuncObjects();
    lblCurFileName->setText(CommonLib->SourceFile);
    // A new batch does not begin with the last line of the previous one.
    SetStatusPanelText(QString());
    lblPersent->setText(QStringLiteral("Current: 1, Total: ") + QString::number(CustomProc->FileCount));
    ProgressBar1->SetMax(1);
    ProgressBar1->SetPosition(0);
    pbTotal->SetMax(1);
    pbTotal->SetPosition(0);
}

void TfrmConverting::tmrChangingTimer()
{
    ++LightIndex;
    if (LightIndex == 7)
        LightIndex = 1;
    const int k = LightIndex;
    img[k - 1]->show();
    img[(k == 1 ? 6 : k - 1) - 1]->hide();
}

void TfrmConverting::StopProcessing()
{
    hide();
    FrmMainForm->setEnabled(true);
    CustomProc->FileIndex = FrmMainForm->dxTreeSourceFileInfo->topLevelItemCount();
    CustomProc->StopRequested = true;
}

void TfrmConverting::btnStop1Click()
{
    if (!Platform().AskYesNo(ApplicationTitle(), QStringLiteral("Are you sure you want to stop the work ? ")))
        return;
    StopBatch();
}

void TfrmConverting::StopBatch()
{
    StopProcessing();
    CommonLib->StopEncoder(CommonLib->EncoderPath);
    CommonLib->StopEncoder(QStringLiteral("evc.exe"));
    ProgressBar1->SetPosition(0);
    pbTotal->SetMax(0);
    pbTotal->SetPosition(0);
    lblPersent->setText(QStringLiteral("Current: 1, Total: ..."));
}

bool TfrmConverting::ConfirmStopProcessing()
{
    // A batch already stopping is not asked about twice.
    if (CustomProc->IsConverting() && CustomProc->StopRequested)
        return true;
    if (!Platform().AskYesNo(ApplicationTitle(), QStringLiteral("Are you sure to stop processing ?")))
        return false;
    StopProcessing();
    CommonLib->StopEncoder(CommonLib->EncoderPath);
    return true;
}

void TfrmConverting::closeEvent(QCloseEvent *event)
{
    // Closing the hidden window (the program ending) stops nothing.
    if (!isVisible()) {
        event->accept();
        return;
    }
    if (ConfirmStopProcessing())
        event->accept();
    else
        event->ignore();
}

void TfrmConverting::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
    painter.fillRect(QRect(0, ShapeHeight, ClientWidth, ClientHeight - ShapeHeight), QColor(210, 214, 220));
}

// The window has no system frame: it is dragged by its title strip.
void TfrmConverting::mousePressEvent(QMouseEvent *event)
{
    m_dragOffset = event->position().toPoint();
}

void TfrmConverting::mouseMoveEvent(QMouseEvent *event)
{
    if ((event->buttons() & Qt::LeftButton) && m_dragOffset.y() < 35)
        move(event->globalPosition().toPoint() - m_dragOffset);
}

void TfrmConverting::actRefreshProgressExecute()
{
    TCustomProc &batch = *CustomProc;
    if (++batch.RefreshCount <= 1)
        return;

    pbTotal->SetMax(batch.FileCount * 100);
    if (ProgressBar1->Max() != 0) {
        pbTotal->SetPosition(ProgressBar1->Position() * 100 / ProgressBar1->Max() + batch.FileIndex * 100);
        lblPersent->setText(QStringLiteral("Current: ") + QString::number(batch.FileIndex + 1)
                            + QStringLiteral(" , Total: ") + QString::number(batch.FileCount) + QLatin1Char('.'));
    }

    // A segment length that is negative or not a whole number shows an empty bar.
    bool lengthOk = false;
    const int length = batch.SegmentLength.toInt(&lengthOk);
    ProgressBar1->SetMax(lengthOk && length > 0 ? length : 0);

    const QString chunk = StatusPanelText();
    if (chunk.isEmpty())
        return;
    const QStringList parts = TCommonLib::SplitByDelimiter(chunk, QLatin1Char('='));
    if (parts.size() < 4)
        return;
    edt1->setText(parts[2]);
    const QStringList pieces = TCommonLib::SplitByDelimiter(parts[2], QLatin1Char('.'));
    if (pieces.isEmpty())
        return;
    edt2->setText(pieces[0]);
    if (pieces[0] == QLatin1String("10000000000"))
        return;
    try {
        const double seconds = TCommonLib::TextToNumber(pieces[0]);
        ProgressBar1->SetPosition(static_cast<int>(std::clamp(std::trunc(seconds), -1e9, 1e9)));
    } catch (const EConvertError &) {
        // A time field that is a lone sign is no report; the bar stays.
    }
}

void OnEncoderOutput(const QString &chunk)
{
    QApplication::processEvents();
    frmConverting->SetStatusPanelText(chunk);
    frmConverting->lblCurFileName->setText(CommonLib->SourceFile);
    CustomProc->LastEncoderOutput = chunk;
    frmConverting->actRefreshProgress->trigger();
}
