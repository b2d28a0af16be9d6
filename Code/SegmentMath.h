#pragma once

#include <QString>
#include <Qt>

// The arithmetic of the preview's segment bar and clock, free of widgets.
//
// The bar is 260 pixels wide with a 1-pixel border; inside it sit the region
// left of the start thumb (width wL >= 1), the start thumb (20), the middle
// region, the end thumb (20) and the region right of the end thumb (wR >= 1).
namespace SegmentMath {

constexpr int BarWidth = 260;
constexpr int ThumbWidth = 20;
// The pixels over which a thumb's position scales a duration.
constexpr int ScaleWidth = BarWidth - 2 - 2 * ThumbWidth;   // 218

// Offsets of the thumbs that turn into times: 0 and 216 at the two ends.
int StartOffset(int leftWidth);
int EndOffset(int rightWidth);
// Percent of the file at an offset (truncated), and the seconds it stands for.
int OffsetPercent(int offset);
int PercentSeconds(int percent, int durationSeconds);

// Rounds to the nearest integer, halves to even.
int RoundHalfEven(double value);

struct ThumbWidths
{
    int Left = 1;
    int Right = 1;
    bool operator==(const ThumbWidths &other) const { return Left == other.Left && Right == other.Right; }
};

// The region widths that show a row's start and end; small differences from
// the current widths (under 2 pixels left, 3 right) keep the current width.
// A duration of 0 keeps both thumbs where they are.
ThumbWidths PlaceThumbs(int startSeconds, int endSeconds, int durationSeconds, ThumbWidths current);

// The step of a click on a region: 1 pixel with Ctrl, 10 with Shift, 5
// otherwise; a modifier counts only when it is the only key held and the
// pressed button the only button down.
int RegionStep(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

enum class Region { Left, Middle, Right };

struct RegionMove
{
    bool Done = false;
    bool StartThumb = true;  // otherwise the end thumb
    int NewWidth = 0;        // the new wL for the start thumb, wR for the end thumb
};

// What a click on a region does: the left button moves a thumb to the
// right, the right button to the left, by the step, when room allows.
RegionMove RegionClick(Region region, Qt::MouseButton button, int step, int leftWidth, int rightWidth,
                       int middleWidth);

// The preview's clock: "HH:MM:SS", each field at least two digits, hours not capped.
QString ClockText(qint64 seconds);

// Whether the clock has reached the end mark: the clock shows it, or the
// clock stepped over it since the previous tick (previousSeconds < 0 when
// there was no previous tick since playing or seeking).
bool EndMarkReached(const QString &clock, const QString &endMarkText, qint64 previousSeconds, qint64 seconds);

} // namespace SegmentMath
