#include "BmpButton.h"

#include <QPainter>
#include <QPainterPath>

TRzBmpButton::TRzBmpButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void TRzBmpButton::SetPictures(const QPixmap &up, const QPixmap &hot, const QPixmap &down)
{
    m_up = up;
    m_hot = hot;
    m_down = down;
    update();
}

QSize TRzBmpButton::sizeHint() const
{
    return m_up.isNull() ? QSize(16, 16) : m_up.size();
}

void TRzBmpButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPixmap &picture = isDown() ? m_down : (m_hot_now && isEnabled() ? m_hot : m_up);
    // A disabled button shows its up picture faded.
    if (!isEnabled())
        painter.setOpacity(0.45);
    painter.drawPixmap(rect(), picture);
}

void TRzBmpButton::enterEvent(QEnterEvent *event)
{
    m_hot_now = true;
    update();
    QAbstractButton::enterEvent(event);
}

void TRzBmpButton::leaveEvent(QEvent *event)
{
    m_hot_now = false;
    update();
    QAbstractButton::leaveEvent(event);
}

namespace {

QPixmap CaptionButtonPicture(const QSize &size, const QString &caption, const QColor &top, const QColor &bottom,
                             int textOffset)
{
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(picture.rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    QLinearGradient fill(frame.topLeft(), frame.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    QPainterPath shape;
    shape.addRoundedRect(frame, 7, 7);
    painter.fillPath(shape, fill);
    painter.setPen(QPen(QColor(40, 70, 120), 1.5));
    painter.drawPath(shape);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(size.height() * 2 / 5);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(picture.rect().translated(textOffset, textOffset), Qt::AlignCenter, caption);
    return picture;
}

} // namespace

TButtonPictures MakeCaptionButtonPictures(const QSize &size, const QString &caption)
{
    return {CaptionButtonPicture(size, caption, QColor(96, 150, 220), QColor(40, 90, 170), 0),
            CaptionButtonPicture(size, caption, QColor(130, 180, 245), QColor(60, 115, 200), 0),
            CaptionButtonPicture(size, caption, QColor(40, 90, 170), QColor(30, 70, 140), 1)};
}
