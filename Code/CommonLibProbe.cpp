// The media probe of TCommonLib. It needs only QtCore and the FFmpeg
// libraries, so the engine builds it without any window code.
#include "Unit_CommonLib.h"

#include <QFile>
#include <QFileInfo>

#include "AppErrors.h"
#include "AvHandles.h"

int TCommonLib::ProbeDurationSeconds(const QString &fileName)
{
    // Only regular files: opening a named pipe or a device could block the
    // window for good.
    if (!QFileInfo(fileName).isFile())
        return 0;
    const QByteArray path = QFile::encodeName(fileName);
    InputFormatPtr input = OpenInputFormat(path.constData());
    if (!input)
        return 0;
    // Most containers state their duration in the header; the others need
    // the streams read to estimate it.
    if (input->duration == AV_NOPTS_VALUE || input->duration <= 0) {
        if (avformat_find_stream_info(input.get(), nullptr) < 0)
            return 0;
    }
    if (input->duration == AV_NOPTS_VALUE || input->duration <= 0)
        return 0;
    const qint64 seconds = input->duration / AV_TIME_BASE;
    return seconds > INT32_MAX ? 0 : static_cast<int>(seconds);
}

qint64 TCommonLib::SourceFileSize(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    return file.size();
}
