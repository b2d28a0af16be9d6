// The text, number and time helpers of TCommonLib. They need nothing but
// QtCore, so the fuzz targets build them on their own.
#include "Unit_CommonLib.h"

#include <cmath>
#include <algorithm>
#include <limits>

#include <QLocale>

#include "AppErrors.h"

namespace {

bool IsBlankOrControl(QChar c) { return c.unicode() <= 32; }

QString TrimBlanksAndControls(const QString &text)
{
    int first = 0;
    int last = text.size() - 1;
    while (first <= last && IsBlankOrControl(text[first]))
        ++first;
    while (last >= first && IsBlankOrControl(text[last]))
        --last;
    return text.mid(first, last - first + 1);
}

// Parses an optional sign followed by decimal digits; nothing else.
bool ParseDecimalInteger(const QString &text, qint64 &value)
{
    int i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return false;
    qint64 result = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        if (result > (std::numeric_limits<qint64>::max() - 9) / 10)
            return false;
        result = result * 10 + (c.unicode() - '0');
    }
    value = negative ? -result : result;
    return true;
}

int ToIntChecked(qint64 value, const QString &text)
{
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        throw EConvertError(QStringLiteral("'%1' is not a valid time").arg(text));
    return static_cast<int>(value);
}

// Cuts toward zero and keeps the result inside what a time count can hold.
qint64 TruncateClamped(double value)
{
    constexpr double limit = 1e15;
    if (std::isnan(value))
        return 0;
    return static_cast<qint64>(std::trunc(std::clamp(value, -limit, limit)));
}

} // namespace

QStringList TCommonLib::SplitByDelimiter(const QString &text, QChar delimiter)
{
    QStringList pieces;
    if (text.isEmpty())
        return pieces;
    int start = 0;
    for (int found = text.indexOf(delimiter); found >= 0; found = text.indexOf(delimiter, start)) {
        pieces << text.mid(start, found - start);
        start = found + 1;
    }
    if (start < text.size())
        pieces << text.mid(start);
    return pieces;
}

double TCommonLib::TextToNumber(const QString &text)
{
    const QString trimmed = TrimBlanksAndControls(text);
    bool pointAllowed = true, plusAllowed = true, minusAllowed = true;
    QString kept;
    for (const QChar c : trimmed) {
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (digit || (c == QLatin1Char('.') && pointAllowed) || (c == QLatin1Char('+') && plusAllowed)
            || (c == QLatin1Char('-') && minusAllowed))
            kept += c;
        if (c == QLatin1Char('.'))
            pointAllowed = false;
        else if (c == QLatin1Char('+'))
            plusAllowed = false;
        else if (c == QLatin1Char('-'))
            minusAllowed = false;
    }

    QString number;
    if (kept.size() < 2) {
        if (kept.isEmpty() || kept == QLatin1String("+") || kept == QLatin1String("-"))
            return 0;
        number = kept;
    } else {
        number = kept.left(1);
        for (int i = 1; i < kept.size(); ++i)
            if (kept[i] != QLatin1Char('+') && kept[i] != QLatin1Char('-'))
                number += kept[i];
    }

    // What is left is an optional sign, then digits with at most one point.
    QString unsignedPart = number;
    bool negative = false;
    if (number.startsWith(QLatin1Char('+')) || number.startsWith(QLatin1Char('-'))) {
        negative = number.startsWith(QLatin1Char('-'));
        unsignedPart = number.mid(1);
    }
    if (unsignedPart.isEmpty())
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    if (unsignedPart == QLatin1String("."))
        return 0;
    bool ok = false;
    // QString::toDouble with the C locale reads "." whatever the user's locale.
    const double magnitude = QLocale::c().toDouble(unsignedPart, &ok);
    if (!ok || !std::isfinite(magnitude))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return negative ? -magnitude : magnitude;
}

QString TCommonLib::ZeroPadQuotient(qint64 value, qint64 divisor, int width)
{
    const QString digits = QString::number(divisor == 0 ? 0 : value / divisor);
    return digits.size() >= width ? digits : QString(width - digits.size(), QLatin1Char('0')) + digits;
}

QString TCommonLib::SecondsToTimeText(qint64 seconds)
{
    // Counted in seconds rather than milliseconds so that no count overflows.
    QString text;
    qint64 rest = seconds;
    if (rest < 3600) {
        text = QStringLiteral("00:");
    } else {
        text = ZeroPadQuotient(rest, 3600, 2) + QLatin1Char(':');
        rest %= 3600;
    }
    if (rest < 60) {
        text += QLatin1String("00:");
    } else {
        text += ZeroPadQuotient(rest, 60, 2) + QLatin1Char(':');
        rest %= 60;
    }
    text += rest < 1 ? QStringLiteral("00") : ZeroPadQuotient(rest, 1, 2);
    return text;
}

QString TCommonLib::FileSizeToText(qint64 bytes)
{
    static const char *const units[] = {" B", " KB", " MB", " GB"};
    const qint64 count = bytes < 0 ? 0 : bytes;
    double value = 0;
    int unit = 0;
    if (count < 1073741824) {
        value = static_cast<double>(count);
        for (int step = 0; step < 3; ++step) {
            if (value >= 1024) {
                value /= 1024;
                ++unit;
            }
        }
    } else {
        value = static_cast<double>(count) / 1024 / 1024 / 1024;
        unit = 3;
    }
    value = std::trunc(value * 100) / 100;
    return QString::number(value, 'g', 15) + QLatin1String(units[unit]);
}

int TCommonLib::TimeTextToSeconds(const QString &text)
{
    const QStringList pieces = SplitByDelimiter(text, QLatin1Char(':'));
    if (pieces.size() != 3)
        return 0;
    qint64 parts[3] = {};
    for (int i = 0; i < 3; ++i) {
        if (!ParseDecimalInteger(pieces[i], parts[i]) || std::abs(parts[i]) > 1000000000LL)
            throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(pieces[i]));
    }
    return ToIntChecked(parts[0] * 3600 + parts[1] * 60 + parts[2], text);
}

int TCommonLib::LenientTimeTextToSeconds(const QString &text)
{
    const QStringList pieces = SplitByDelimiter(text, QLatin1Char(':'));
    if (pieces.size() < 3)
        return 0;
    const qint64 hours = TruncateClamped(TextToNumber(pieces[0]));
    const qint64 minutes = TruncateClamped(TextToNumber(pieces[1]));
    const qint64 seconds = TruncateClamped(TextToNumber(pieces[2]));
    const long double total = static_cast<long double>(hours) * 3600 + static_cast<long double>(minutes) * 60 + seconds;
    if (total < std::numeric_limits<int>::min() || total > std::numeric_limits<int>::max())
        throw EConvertError(QStringLiteral("'%1' is not a valid time").arg(text));
    return static_cast<int>(total);
}
