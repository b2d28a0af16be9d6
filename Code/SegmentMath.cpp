#include "SegmentMath.h"

#include <cfenv>
#include <cmath>
#include <cstdlib>

#include "Unit_CommonLib.h"

namespace SegmentMath {

int StartOffset(int leftWidth)
{
    return leftWidth - 1;
}

int EndOffset(int rightWidth)
{
    // The end thumb's left edge plus its width, less the start thumb's width and 22.
    const int endThumbLeft = BarWidth - 1 - rightWidth - ThumbWidth;
    return endThumbLeft + ThumbWidth - ThumbWidth - 22;  // 217 - wR
}

int OffsetPercent(int offset)
{
    return offset * 121 / BarWidth;
}

int PercentSeconds(int percent, int durationSeconds)
{
    return static_cast<int>(static_cast<qint64>(percent) * durationSeconds / 100);
}

int RoundHalfEven(double value)
{
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(mode);
    return static_cast<int>(rounded);
}

ThumbWidths PlaceThumbs(int startSeconds, int endSeconds, int durationSeconds, ThumbWidths current)
{
    if (durationSeconds == 0)
        return current;
    const double duration = durationSeconds;
    ThumbWidths placed = current;
    const int newLeft = RoundHalfEven(startSeconds / duration * ScaleWidth) + 1;
    if (std::abs(newLeft - current.Left) >= 2)
        placed.Left = newLeft;
    const int newRight = BarWidth - 2 * ThumbWidth - 2 - RoundHalfEven(endSeconds / duration * ScaleWidth) + 1;
    if (std::abs(newRight - current.Right) >= 3)
        placed.Right = newRight;
    return placed;
}

int RegionStep(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    const bool onlyThisButton = buttons == Qt::MouseButtons(button);
    const Qt::KeyboardModifiers keys = modifiers & ~Qt::KeypadModifier;
    if (onlyThisButton && keys == Qt::ControlModifier)
        return 1;
    if (onlyThisButton && keys == Qt::ShiftModifier)
        return 10;
    return 5;
}

RegionMove RegionClick(Region region, Qt::MouseButton button, int step, int leftWidth, int rightWidth,
                       int middleWidth)
{
    if (button != Qt::LeftButton && button != Qt::RightButton)
        return {};
    const bool left = button == Qt::LeftButton;
    switch (region) {
    case Region::Left:
        if (left)
            return middleWidth > step ? RegionMove{true, true, leftWidth + step} : RegionMove{};
        return leftWidth > step ? RegionMove{true, true, leftWidth - step} : RegionMove{};
    case Region::Middle:
        if (left)
            return middleWidth > step ? RegionMove{true, true, leftWidth + step} : RegionMove{};
        return middleWidth > step ? RegionMove{true, false, rightWidth + step} : RegionMove{};
    case Region::Right:
        if (left)
            return rightWidth > step ? RegionMove{true, false, rightWidth - step} : RegionMove{};
        return middleWidth > step ? RegionMove{true, false, rightWidth + step} : RegionMove{};
    }
    return {};
}

QString ClockText(qint64 seconds)
{
    const qint64 rest = seconds % 3600;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(rest / 60, 2, 10, QLatin1Char('0'))
        .arg(rest % 60, 2, 10, QLatin1Char('0'));
}

bool EndMarkReached(const QString &clock, const QString &endMarkText, qint64 previousSeconds, qint64 seconds)
{
    if (clock == endMarkText)
        return true;
    if (endMarkText.isEmpty() || previousSeconds < 0)
        return false;
    const qint64 endMark = TCommonLib::LenientTimeTextToSeconds(endMarkText);
    return previousSeconds < endMark && seconds > endMark;
}

} // namespace SegmentMath
