#include "FuncObjects.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <unistd.h>

#include "AppErrors.h"
#include "IniFiles32.h"
#include "ProcessTable.h"

TAppFunc *AppFunc = nullptr;
TSysFunc *SysFunc = nullptr;
TStrFunc *StrFunc = nullptr;
TFileFunc *FileFunc = nullptr;

namespace {

QString &AppPathOverride()
{
    static QString folder;
    return folder;
}

QString &InstalledProgramFolder()
{
#ifdef SONABRIX_INSTALLED_PROGRAM_DIR
    static QString folder = QStringLiteral(SONABRIX_INSTALLED_PROGRAM_DIR);
#else
    static QString folder;
#endif
    return folder;
}

QString WithTrailingSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

// The installed program folder belongs to the package manager: even a user
// who may write there (root) keeps the log and settings in the data folder,
// so that removing or upgrading the package never touches them.
bool ProgramFolderHoldsData(const QString &programFolder)
{
    const QString installed = InstalledProgramFolder();
    if (!installed.isEmpty()
        && QFileInfo(WithTrailingSlash(installed)).canonicalFilePath() == QFileInfo(programFolder).canonicalFilePath())
        return false;
    return ::access(QFile::encodeName(programFolder).constData(), W_OK) == 0;
}

// Copies the settings files that ship in the program folder into a new
// Config/ of the data folder; files already there are kept as they are.
void SeedConfigFolder(const QString &programFolder, const QString &dataFolder)
{
    const QDir shipped(programFolder + QStringLiteral("Config"));
    const QString target = dataFolder + QStringLiteral("Config/");
    for (const QFileInfo &entry : shipped.entryInfoList(QDir::Files | QDir::Hidden)) {
        if (!QFileInfo::exists(target + entry.fileName()))
            QFile::copy(entry.filePath(), target + entry.fileName());
    }
}

// The service objects are never freed before the process ends; a fresh set
// replaces the old one, which stays owned here so nothing dangles or leaks.
template <typename T>
void Replace(T *&global)
{
    static std::unique_ptr<T> owner;
    owner = std::make_unique<T>();
    global = owner.get();
}

QString FileNamePart(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The locale's long time format without the time zone, which a log line
// has no use for.
QString TimeWithSeconds(const QTime &time)
{
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return QLocale::system().toString(time, format.trimmed());
}

} // namespace

void CreateFuncObjects()
{
    Replace(AppFunc);
    Replace(SysFunc);
    Replace(StrFunc);
    Replace(FileFunc);
    TIniFile32::SetLog([](const QString &message) { AppFunc->WriteLog(message); });
}

QString FileExtension(const QString &path)
{
    const QString name = FileNamePart(path);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

void TAppFunc::SetAppPathOverride(const QString &folder)
{
    AppPathOverride() = folder;
}

void TAppFunc::SetInstalledProgramFolder(const QString &folder)
{
    InstalledProgramFolder() = folder;
}

QString TAppFunc::DataPathFor(const QString &programFolder)
{
    const QString program = WithTrailingSlash(programFolder);
    if (ProgramFolderHoldsData(program))
        return program;
    const QString data = WithTrailingSlash(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/sonabrix"));
    if (!QFileInfo::exists(data + QStringLiteral("Config"))) {
        if (!QDir().mkpath(data + QStringLiteral("Config")))
            throw EFileError(QStringLiteral("Cannot create the settings folder \"%1Config\".").arg(data));
        SeedConfigFolder(program, data);
    }
    return data;
}

QString TAppFunc::GetDataPath() const
{
    return DataPathFor(GetAppPath());
}

QString TAppFunc::GetAppPath() const
{
    QString folder = AppPathOverride().isEmpty() ? QCoreApplication::applicationDirPath() : AppPathOverride();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

void TAppFunc::WriteLog(const QString &message) const
{
    const QString path = GetDataPath() + QStringLiteral("log.txt");
    const QDateTime now = QDateTime::currentDateTime();
    const QString line = QStringLiteral("Vexlo Soft ") + QLocale::system().toString(now.date(), QLocale::ShortFormat)
        + QLatin1Char(' ') + TimeWithSeconds(now.time()) + QLatin1Char('|') + message + QStringLiteral("\r\n");
    const QByteArray bytes = line.toUtf8();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size() || !file.flush())
        throw EFileError(QStringLiteral("Cannot write the log \"%1\". %2").arg(path, file.errorString()));
}

QString TStrFunc::GetLastPart(const QString &text, const QString &delimiter) const
{
    if (delimiter.isEmpty())
        return text;
    QString rest = text;
    for (int found = rest.indexOf(delimiter); found >= 0; found = rest.indexOf(delimiter))
        rest.remove(0, found + 1);
    return rest;
}

QString TStrFunc::GetLastLine(const QString &text) const
{
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts);
    for (auto line = lines.crbegin(); line != lines.crend(); ++line)
        if (!line->trimmed().isEmpty())
            return line->trimmed();
    return {};
}

QString TFileFunc::GetFilePath(const QString &path) const
{
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString TFileFunc::GetFileNameNoExt(const QString &path) const
{
    const QString name = FileNamePart(path);
    const QString extension = TStrFunc().GetLastPart(name, QStringLiteral("."));
    const int count = name.size() - extension.size() - 1;
    return count <= 0 ? QString() : name.left(count);
}

QStringList TFileFunc::GetFileList(const QString &folder, const QString &extensionFilter) const
{
    QStringList paths;
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString &name : names) {
        if (!extensionFilter.isEmpty() && FileExtension(name) != extensionFilter)
            continue;
        paths << folder + name;
    }
    return paths;
}

QString TFileFunc::GetUniqueFileName(const QString &path)
{
    OriginalName = GetFileNameNoExt(path);
    return MakeUniqueFileName(path);
}

namespace {

enum class Reservation { Made, Taken, Impossible };

// Creates the file empty, only if no entry of that name exists, so that two
// jobs (or two windows) choosing a name at the same moment never share one.
Reservation ReserveFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        return Reservation::Made;
    }
    return errno == EEXIST ? Reservation::Taken : Reservation::Impossible;
}

} // namespace

QString TFileFunc::MakeUniqueFileName(const QString &path) const
{
    const QString folder = GetFilePath(path);
    const QString extension = FileExtension(path);
    QStringList entries = GetFileList(folder, QString());
    QString base = GetFileNameNoExt(path);
    for (;;) {
        bool clash = false;
        for (const QString &entry : entries) {
            if (GetFileNameNoExt(entry).compare(base, Qt::CaseInsensitive) == 0) {
                clash = true;
                break;
            }
        }
        if (!clash) {
            const QString candidate = folder + base + extension;
            const Reservation reservation = ReserveFile(candidate);
            // A folder that cannot take the file (missing, read-only) gets the
            // wished name all the same; writing it will fail and say why.
            if (reservation != Reservation::Taken)
                return candidate;
            // Someone else took the name since the folder was listed.
            entries << candidate;
        }
        if (base == OriginalName) {
            base += QStringLiteral("_1");
        } else {
            const int underscore = base.lastIndexOf(QLatin1Char('_'));
            const qint64 number = base.mid(underscore + 1).toLongLong();
            base = base.left(underscore + 1) + QString::number(number + 1);
        }
    }
}

qint64 TSysFunc::FindProcessID(const QString &name) const
{
    const QString wanted = UpperAsciiName(name);
    qint64 found = 0;
    for (const TProcessEntry &entry : SnapshotProcesses())
        if (UpperAsciiName(entry.ExeFile) == wanted)
            found = entry.Pid;
    return found;
}
