#pragma once

#include <functional>

#include <QFrame>
#include <QPixmap>

// A region of the segment bar: the bar texture stretched to its size.
class TBarRegion final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TBarRegion)

public:
    explicit TBarRegion(QWidget *parent = nullptr);

    QPixmap Texture;
    // A press (single or double) of a mouse button on the region.
    std::function<void(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)> OnMouseDown;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};

class TSegmentBar;

// A thumb of the segment bar. Dragging it resizes the region on its outer
// side live; the middle region takes what is left.
class TSegmentThumb final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TSegmentThumb)

public:
    TSegmentThumb(TSegmentBar *bar, bool startThumb);

    // Every change of position during a drag, and once more when it ends.
    std::function<void()> OnMoved;
    // Paints the thumb; called from its paint event.
    std::function<void()> OnPaint;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    TSegmentBar *m_bar;
    bool m_start;
    bool m_dragging = false;
    int m_pressX = 0;
    int m_pressWidth = 0;
};

// The segment bar: a 1-pixel frame around, from left to right, the region
// before the start thumb, the start thumb, the middle region, the end thumb
// and the region after the end thumb, without gaps.
class TSegmentBar final : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TSegmentBar)

public:
    explicit TSegmentBar(QWidget *parent = nullptr);

    TBarRegion *LeftRegion = nullptr;     // Panel2
    TSegmentThumb *StartThumb = nullptr;  // Splitter1
    TBarRegion *MiddleRegion = nullptr;   // Panel4
    TSegmentThumb *EndThumb = nullptr;    // Splitter2
    TBarRegion *RightRegion = nullptr;    // Panel3

    int LeftWidth() const { return m_left; }
    int RightWidth() const { return m_right; }
    int MiddleWidth() const;
    // Widths are held so that each outer region keeps at least 1 pixel and
    // the thumbs never pass each other; true when the width changed.
    bool SetLeftWidth(int width);
    bool SetRightWidth(int width);
    void SetTexture(const QPixmap &texture);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int InnerWidth() const;
    void Arrange();

    int m_left = 1;
    int m_right = 1;
};
