#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A button drawn from three pictures: up, hot (under the mouse) and down.
// It shows no text of its own; give it a tooltip.
class TRzBmpButton final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TRzBmpButton)

public:
    explicit TRzBmpButton(QWidget *parent = nullptr);

    void SetPictures(const QPixmap &up, const QPixmap &hot, const QPixmap &down);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QPixmap m_up, m_hot, m_down;
    bool m_hot_now = false;
};

// The pictures of a rounded caption button in its three states.
struct TButtonPictures
{
    QPixmap Up, Hot, Down;
};
TButtonPictures MakeCaptionButtonPictures(const QSize &size, const QString &caption);
