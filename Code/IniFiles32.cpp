#include "IniFiles32.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include "AppErrors.h"

namespace {

// Blanks and control characters: every byte up to 32.
QByteArray TrimLine(const QByteArray &line)
{
    int first = 0;
    int last = line.size() - 1;
    while (first <= last && static_cast<unsigned char>(line[first]) <= 32)
        ++first;
    while (last >= first && static_cast<unsigned char>(line[last]) <= 32)
        --last;
    return line.mid(first, last - first + 1);
}

bool ParseInteger(const QByteArray &text, int &value)
{
    QByteArray digits = text;
    bool negative = false;
    if (digits.startsWith('+') || digits.startsWith('-')) {
        negative = digits.startsWith('-');
        digits.remove(0, 1);
    }
    int base = 10;
    if (digits.startsWith('$')) {
        base = 16;
        digits.remove(0, 1);
    }
    if (digits.isEmpty())
        return false;
    qint64 result = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return false;
        result = result * base + digit;
        // A hexadecimal text may fill all 32 bits, as a negative number.
        if (result > (base == 16 ? 0xFFFFFFFFLL : 0x80000000LL))
            return false;
    }
    if (base == 16)
        result = static_cast<qint32>(static_cast<quint32>(result));
    if (negative)
        result = -result;
    if (result < INT32_MIN || result > INT32_MAX)
        return false;
    value = static_cast<int>(result);
    return true;
}

std::function<void(const QString &)> &LogHandler()
{
    static std::function<void(const QString &)> handler;
    return handler;
}

const QByteArray Utf8ByteOrderMark("\xEF\xBB\xBF");

bool IsValidUtf8(const QByteArray &text)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded(decoder.decode(text));
    return !decoder.hasError();
}

// True when a kept copy already holds everything of these bytes that could
// not be read: the same bytes, or, for a file without a NUL whose lines are
// kept as they are, every line of it that is not UTF-8. Without this, each
// save of such a file would keep yet another copy.
bool HeldByCopy(const QByteArray &copy, const QByteArray &bytes)
{
    if (copy == bytes)
        return true;
    if (bytes.contains('\0'))
        return false;
    for (const QByteArray &line : bytes.split('\n'))
        if (!IsValidUtf8(line) && !copy.contains(line))
            return false;
    return true;
}

// Writes the bytes as name.bak, or the first of name.bak1, name.bak2, ...
// that does not exist yet: an earlier copy is never overwritten. Returns the
// copy's path; "" when a copy already holds these bytes; a null text when no
// copy could be written.
QString KeepCopyBeside(const QString &path, const QByteArray &bytes)
{
    for (int number = 0; number < 10000; ++number) {
        const QString copy = path + QStringLiteral(".bak") + (number > 0 ? QString::number(number) : QString());
        QFile existing(copy);
        if (existing.exists()) {
            if (existing.open(QIODevice::ReadOnly) && HeldByCopy(existing.readAll(), bytes))
                return QStringLiteral("");
            continue;
        }
        QFile file(copy);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (file.exists())
                continue;
            return QString();
        }
        const bool written = file.write(bytes) == bytes.size() && file.flush();
        file.close();
        if (written)
            return copy;
        file.remove();
        return QString();
    }
    return QString();
}

} // namespace

void TIniFile32::SetLog(std::function<void(const QString &)> writeLog)
{
    LogHandler() = std::move(writeLog);
}

TIniFile32::TIniFile32(const QString &iniPath)
    : m_iniPath(iniPath)
{
    LoadFile();
}

void TIniFile32::LoadFile()
{
    m_lines.clear();
    QFile file(m_iniPath);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(m_iniPath, file.errorString()));
    QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFileError(QStringLiteral("Cannot read file \"%1\". %2").arg(m_iniPath, file.errorString()));
    // A file that is not read whole (text after a NUL byte, or bytes that are
    // not UTF-8, as in a UTF-16 file) would lose that text at the next save;
    // its bytes are kept so that the save can put a copy beside it first.
    const int nul = text.indexOf('\0');
    if (nul >= 0 || !IsValidUtf8(text))
        m_unreadBytes = text;
    if (nul >= 0)
        text.truncate(nul);
    // A UTF-8 byte-order mark is no part of the first line.
    m_byteOrderMark = text.startsWith(Utf8ByteOrderMark);
    if (m_byteOrderMark)
        text.remove(0, Utf8ByteOrderMark.size());

    // A line ends at CR LF, at LF or at CR; a last line without an end counts.
    int start = 0;
    const int size = text.size();
    for (int i = 0; i < size; ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            m_lines << text.mid(start, i - start);
            if (text[i] == '\r' && i + 1 < size && text[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < size)
        m_lines << text.mid(start);
}

void TIniFile32::SaveFile() const
{
    // A missing folder is an error: the engine does not create folders. A
    // read-only file is not replaced, even by a user who could rename over it.
    const QFileInfo info(m_iniPath);
    if (!info.dir().exists())
        throw EFileError(QStringLiteral("Cannot create file \"%1\". The folder does not exist").arg(m_iniPath));
    if (info.exists() && !info.isWritable())
        throw EFileError(QStringLiteral("Cannot create file \"%1\". The file is read-only").arg(m_iniPath));

    KeepUnreadCopy();
    QByteArray text = m_byteOrderMark ? Utf8ByteOrderMark : QByteArray();
    for (const QByteArray &line : m_lines)
        text += line + "\r\n";
    QSaveFile file(m_iniPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw EFileError(QStringLiteral("Cannot create file \"%1\". %2").arg(m_iniPath, file.errorString()));
}

void TIniFile32::KeepUnreadCopy() const
{
    if (m_unreadBytes.isEmpty() || m_unreadKept)
        return;
    const QString kept = KeepCopyBeside(m_iniPath, m_unreadBytes);
    if (kept.isNull())
        throw EFileError(QStringLiteral("Cannot create file \"%1\". A copy of the original, which could not be read "
                                        "whole, could not be kept").arg(m_iniPath));
    m_unreadKept = true;
    if (!kept.isEmpty() && LogHandler())
        LogHandler()(QStringLiteral("Settings file ") + m_iniPath
                          + QStringLiteral(" could not be read whole; its original is kept as ") + kept);
}

bool TIniFile32::IsSection(const QByteArray &line)
{
    const QByteArray trimmed = TrimLine(line);
    return !trimmed.isEmpty() && trimmed.startsWith('[') && trimmed.endsWith(']');
}

QByteArray TIniFile32::GetKeyName(const QByteArray &line)
{
    const int equals = line.indexOf('=');
    return equals < 0 ? QByteArray() : TrimLine(line.left(equals));
}

QByteArray TIniFile32::GetKeyValue(const QByteArray &line)
{
    const int equals = line.indexOf('=');
    return equals < 0 ? QByteArray() : TrimLine(line.mid(equals + 1));
}

int TIniFile32::IndexOfSection(const QByteArray &section) const
{
    const QByteArray header = '[' + section + ']';
    for (int i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].compare(header, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int TIniFile32::FindKeyOrSectionEnd(int sectionIndex, const QByteArray &ident, bool *found) const
{
    *found = false;
    int i = sectionIndex + 1;
    for (; i < m_lines.size() && !IsSection(m_lines[i]); ++i) {
        if (GetKeyName(m_lines[i]) == ident) {
            *found = true;
            return i;
        }
    }
    return i;
}

QString TIniFile32::ReadString(const QString &Section, const QString &Ident, const QString &Default) const
{
    if (m_lines.isEmpty() || Ident.isEmpty())
        return Default;
    const int sectionIndex = IndexOfSection(Section.toUtf8());
    if (sectionIndex < 0)
        return Default;
    bool found = false;
    const int keyIndex = FindKeyOrSectionEnd(sectionIndex, Ident.toUtf8(), &found);
    if (!found)
        return Default;
    const QByteArray value = GetKeyValue(m_lines[keyIndex]);
    return value.isEmpty() ? Default : QString::fromUtf8(value);
}

int TIniFile32::ReadInteger(const QString &Section, const QString &Ident, int Default) const
{
    QByteArray text = ReadString(Section, Ident, QString()).toUtf8();
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.replace(0, 2, "$");
    int value = 0;
    return ParseInteger(text, value) ? value : Default;
}

void TIniFile32::WriteString(const QString &Section, const QString &Ident, const QString &Value)
{
    const QByteArray ident = Ident.toUtf8();
    const QByteArray keyLine = ident + '=' + Value.toUtf8();
    const int sectionIndex = IndexOfSection(Section.toUtf8());
    if (sectionIndex < 0) {
        m_lines << QByteArray() << '[' + Section.toUtf8() + ']';
        if (!ident.isEmpty())
            m_lines << keyLine;
    } else if (!ident.isEmpty()) {
        bool found = false;
        const int index = FindKeyOrSectionEnd(sectionIndex, ident, &found);
        if (found)
            m_lines[index] = keyLine;
        else
            m_lines.insert(index, keyLine);
    }
    SaveFile();
}

void TIniFile32::WriteInteger(const QString &Section, const QString &Ident, int Value)
{
    WriteString(Section, Ident, QString::number(Value));
}

void TIniFile32::EraseSection(const QString &Section)
{
    const int sectionIndex = IndexOfSection(Section.toUtf8());
    if (sectionIndex < 0)
        return;
    int end = sectionIndex + 1;
    while (end < m_lines.size() && !IsSection(m_lines[end]))
        ++end;
    m_lines.erase(m_lines.begin() + sectionIndex, m_lines.begin() + end);
    if (sectionIndex > 0)
        m_lines.insert(sectionIndex, QByteArray());
    SaveFile();
}

void TIniFile32::ReadSections(QStringList *Strings) const
{
    if (!Strings)
        throw EAssertionFailed(QStringLiteral("Param Strings must be assigned (Code/IniFiles32)"));
    Strings->clear();
    for (const QByteArray &line : m_lines) {
        if (IsSection(line)) {
            const QByteArray trimmed = TrimLine(line);
            Strings->append(QString::fromUtf8(TrimLine(trimmed.mid(1, trimmed.size() - 2))));
        }
    }
}
