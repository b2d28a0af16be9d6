// Feeds arbitrary bytes to the INI engine as a file, then reads, writes and
// erases with names taken from the same bytes.
#include <cstddef>
#include <cstdint>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "AppErrors.h"
#include "IniFiles32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fuzz.ini"));
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(bytes);
    }
    try {
        TIniFile32 ini(path);
        QStringList sections;
        ini.ReadSections(&sections);
        const QString name = QString::fromUtf8(bytes.left(8));
        for (const QString &section : sections) {
            ini.ReadString(section, name, QString());
            ini.ReadInteger(section, name, 0);
        }
        ini.WriteString(name, name, QString::fromUtf8(bytes.mid(8, 8)));
        if (!sections.isEmpty())
            ini.EraseSection(sections.first());
        ini.WriteInteger(QStringLiteral("count"), QStringLiteral("count"), static_cast<int>(size));
    } catch (const EAppError &) {
    }
    // Copies kept of files that were not read whole.
    for (const QString &copy : QDir(dir.path()).entryList({QStringLiteral("fuzz.ini.bak*")}, QDir::Files))
        QFile::remove(dir.filePath(copy));
    return 0;
}
