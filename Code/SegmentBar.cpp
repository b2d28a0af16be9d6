#include "SegmentBar.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>

#include "SegmentMath.h"

// --- TBarRegion ---------------------------------------------------------------------

TBarRegion::TBarRegion(QWidget *parent)
    : QWidget(parent)
{
}

void TBarRegion::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (Texture.isNull())
        painter.fillRect(rect(), palette().window());
    else
        painter.drawPixmap(rect(), Texture);
}

void TBarRegion::mousePressEvent(QMouseEvent *event)
{
    if (OnMouseDown)
        OnMouseDown(event->button(), event->buttons(), event->modifiers());
}

void TBarRegion::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

// --- TSegmentThumb ------------------------------------------------------------------

TSegmentThumb::TSegmentThumb(TSegmentBar *bar, bool startThumb)
    : QWidget(bar), m_bar(bar), m_start(startThumb)
{
    setCursor(Qt::PointingHandCursor);
    setAutoFillBackground(true);
}

void TSegmentThumb::paintEvent(QPaintEvent *)
{
    if (OnPaint)
        OnPaint();
}

void TSegmentThumb::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_pressX = qRound(event->globalPosition().x());
    m_pressWidth = m_start ? m_bar->LeftWidth() : m_bar->RightWidth();
}

void TSegmentThumb::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    const int dx = qRound(event->globalPosition().x()) - m_pressX;
    const bool changed = m_start ? m_bar->SetLeftWidth(m_pressWidth + dx) : m_bar->SetRightWidth(m_pressWidth - dx);
    if (changed && OnMoved)
        OnMoved();
}

void TSegmentThumb::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    if (OnMoved)
        OnMoved();
}

// --- TSegmentBar ----------------------------------------------------------------------

TSegmentBar::TSegmentBar(QWidget *parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    resize(SegmentMath::BarWidth, 21);
    LeftRegion = new TBarRegion(this);
    StartThumb = new TSegmentThumb(this, true);
    MiddleRegion = new TBarRegion(this);
    EndThumb = new TSegmentThumb(this, false);
    RightRegion = new TBarRegion(this);
    Arrange();
}

int TSegmentBar::InnerWidth() const
{
    return width() - 2;
}

int TSegmentBar::MiddleWidth() const
{
    return InnerWidth() - m_left - m_right - 2 * SegmentMath::ThumbWidth;
}

bool TSegmentBar::SetLeftWidth(int width)
{
    const int most = std::max(1, InnerWidth() - m_right - 2 * SegmentMath::ThumbWidth);
    const int held = std::clamp(width, 1, most);
    if (held == m_left)
        return false;
    m_left = held;
    Arrange();
    return true;
}

bool TSegmentBar::SetRightWidth(int width)
{
    const int most = std::max(1, InnerWidth() - m_left - 2 * SegmentMath::ThumbWidth);
    const int held = std::clamp(width, 1, most);
    if (held == m_right)
        return false;
    m_right = held;
    Arrange();
    return true;
}

void TSegmentBar::SetTexture(const QPixmap &texture)
{
    for (TBarRegion *region : {LeftRegion, MiddleRegion, RightRegion}) {
        region->Texture = texture;
        region->update();
    }
}

void TSegmentBar::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    Arrange();
}

void TSegmentBar::Arrange()
{
    constexpr int thumb = SegmentMath::ThumbWidth;
    const int h = height() - 2;
    const int middle = std::max(0, MiddleWidth());
    LeftRegion->setGeometry(1, 1, m_left, h);
    StartThumb->setGeometry(1 + m_left, 1, thumb, h);
    MiddleRegion->setGeometry(1 + m_left + thumb, 1, middle, h);
    EndThumb->setGeometry(1 + m_left + thumb + middle, 1, thumb, h);
    RightRegion->setGeometry(1 + m_left + 2 * thumb + middle, 1, m_right, h);
}
