#pragma once

#include <functional>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Reads and writes the program's small settings files in the INI format. The
// whole file is kept as a list of byte lines; every change writes the whole
// file back. Lines it does not change keep their bytes, so a hand-edited file
// keeps its layout. Names and values are UTF-8 on disk.
class TIniFile32 final
{
public:
    // Loads the file if it exists; throws EFileError when it exists but
    // cannot be read.
    explicit TIniFile32(const QString &iniPath);

    QString ReadString(const QString &Section, const QString &Ident, const QString &Default) const;
    int ReadInteger(const QString &Section, const QString &Ident, int Default) const;
    // Both write the file at once; they throw EFileError when it cannot be saved.
    void WriteString(const QString &Section, const QString &Ident, const QString &Value);
    void WriteInteger(const QString &Section, const QString &Ident, int Value);
    void EraseSection(const QString &Section);
    // Throws EAssertionFailed when no list is given.
    void ReadSections(QStringList *Strings) const;

    // Where the engine says that it kept a copy of a damaged file; the
    // program passes its log.
    static void SetLog(std::function<void(const QString &)> writeLog);

    const QString &IniPath() const { return m_iniPath; }
    const QList<QByteArray> &Lines() const { return m_lines; }

private:
    void LoadFile();
    void SaveFile() const;
    int IndexOfSection(const QByteArray &section) const;
    static bool IsSection(const QByteArray &line);
    static QByteArray GetKeyName(const QByteArray &line);
    static QByteArray GetKeyValue(const QByteArray &line);
    // The line index of the key inside the section that starts after
    // sectionIndex, or of the line that ends the section when it is missing.
    int FindKeyOrSectionEnd(int sectionIndex, const QByteArray &ident, bool *found) const;

    // Before the first save replaces a file that was not read whole, a copy
    // of its bytes is kept beside it (name.bak, name.bak1, ...) and logged.
    void KeepUnreadCopy() const;

    QString m_iniPath;
    QList<QByteArray> m_lines;
    bool m_byteOrderMark = false;
    QByteArray m_unreadBytes;
    mutable bool m_unreadKept = false;
};
