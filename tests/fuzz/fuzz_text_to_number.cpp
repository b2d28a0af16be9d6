// Feeds arbitrary text to the number and time readers.
#include <cstddef>
#include <cstdint>

#include "AppErrors.h"
#include "Unit_CommonLib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(size));
    try {
        TCommonLib::TextToNumber(text);
    } catch (const EConvertError &) {
    }
    try {
        TCommonLib::LenientTimeTextToSeconds(text);
    } catch (const EConvertError &) {
    }
    try {
        TCommonLib::TimeTextToSeconds(text);
    } catch (const EConvertError &) {
    }
    TCommonLib::SplitByDelimiter(text, QLatin1Char(':'));
    return 0;
}
