#pragma once

#include <QString>
#include <QStringList>

// The log and the program's folder.
class TAppFunc final
{
public:
    // The folder of the running program, with a trailing "/".
    QString GetAppPath() const;
    // The folder that holds "log.txt" and "Config/", with a trailing "/".
    QString GetDataPath() const;
    // The data folder that goes with a program folder: the program folder
    // itself, unless it is the installed one or cannot be written; then the
    // user's data folder, made on first use with "Config/" seeded from the
    // program folder's copy.
    static QString DataPathFor(const QString &programFolder);
    // Appends one time-stamped line to "log.txt" in the data folder;
    // throws EFileError when the log cannot be written.
    void WriteLog(const QString &message) const;

    // Makes another folder the program's folder (a copy of the program
    // folder that tests set up); an empty text returns to the real one.
    static void SetAppPathOverride(const QString &folder);
    // The folder a package installs the program into; empty when unknown.
    static void SetInstalledProgramFolder(const QString &folder);
};

class TStrFunc final
{
public:
    // The text after the last occurrence of a one-character delimiter, or the
    // whole text when it does not occur.
    QString GetLastPart(const QString &text, const QString &delimiter) const;
    // The last line of a text that holds more than blanks, trimmed; "" when none.
    QString GetLastLine(const QString &text) const;
};

// File name utilities that form the output file name of a conversion.
class TFileFunc final
{
public:
    // Everything up to and including the last "/", or "".
    QString GetFilePath(const QString &path) const;
    // The file name without folder and without its last extension; a name
    // without "." gives "".
    QString GetFileNameNoExt(const QString &path) const;
    // Full paths of the folder's entries that are not folders, in the order
    // of enumeration, kept only when their extension equals the filter.
    QStringList GetFileList(const QString &folder, const QString &extensionFilter) const;
    // The path itself, or the first of name_1, name_2, ... whose base name
    // no entry of the folder has (letter case not counting). The chosen file
    // is created empty, exclusively, before it is returned: the name is
    // reserved for the caller, who replaces the file with the finished output
    // or removes it when the conversion fails. Where the folder cannot take
    // a file, the name is returned without a reservation.
    QString GetUniqueFileName(const QString &path);

    QString OriginalName;

private:
    QString MakeUniqueFileName(const QString &path) const;
};

// Process look-ups; its operation lives with the encoder process control.
class TSysFunc final
{
public:
    // The id of a running process of that program file name, 0 when none.
    qint64 FindProcessID(const QString &name) const;
};

// Creates a fresh set of the four service objects, replacing any earlier set.
void CreateFuncObjects();

extern TAppFunc *AppFunc;
extern TSysFunc *SysFunc;
extern TStrFunc *StrFunc;
extern TFileFunc *FileFunc;

// The extension of a path's file name, from its last "." (dot included), or "".
QString FileExtension(const QString &path);
