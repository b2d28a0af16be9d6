#include "Unit_CommonLib.h"

#include <malloc.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTreeWidget>

#include "AppErrors.h"
#include "ConversionJob.h"
#include "FuncObjects.h"
#include "IniFiles32.h"
#include "PlatformLayer.h"
#include "ProcessTable.h"
#include "Simple.h"
#include "Unit_ConfigInfo.h"

TCommonLib *CommonLib = nullptr;

namespace {

// Freezes a list's display for the lifetime of the guard, on every path out.
class FrozenDisplay final
{
public:
    explicit FrozenDisplay(QWidget *widget) : m_widget(widget) { m_widget->setUpdatesEnabled(false); }
    ~FrozenDisplay() { m_widget->setUpdatesEnabled(true); }
    FrozenDisplay(const FrozenDisplay &) = delete;
    FrozenDisplay &operator=(const FrozenDisplay &) = delete;

private:
    QWidget *m_widget;
};

QString ItemTextAt(QComboBox *box, int index)
{
    return box && index >= 0 && index < box->count() ? box->itemText(index) : QString();
}

// Encoders that keep refusing to end are given up after this many attempts,
// about five seconds with the pause between them.
constexpr int StopAttempts = 50;

} // namespace

RecSourceFile RecSourceFile::FromRow(const QTreeWidgetItem *row)
{
    return {row->text(0), row->text(1), row->text(2), row->text(3), row->text(4), row->text(5), row->text(6)};
}

void RecSourceFile::WriteToRow(QTreeWidgetItem *row) const
{
    const QString cells[] = {CheckStatus, FileName, FileSize, Duration, StartTime, EndTime, CutTime};
    for (int column = 0; column < 7; ++column)
        row->setText(column, cells[column]);
}

TCommonLib::TCommonLib(const QString &appFolder)
    : AppFolder(appFolder)
{
}

// --- Settings files ---------------------------------------------------------

QString TCommonLib::ConfigFilePath(const QString &fileName) const
{
    return TAppFunc::DataPathFor(AppFolder) + QStringLiteral("Config/") + fileName;
}

QStringList TCommonLib::ReadConfigSections(const QString &fileName) const
{
    QStringList sections;
    TIniFile32(ConfigFilePath(fileName)).ReadSections(&sections);
    return sections;
}

QString TCommonLib::ReadConfigValue(const QString &fileName, const QString &profileName) const
{
    return TIniFile32(ConfigFilePath(fileName)).ReadString(profileName, profileName, QString());
}

// --- Source file list -------------------------------------------------------

bool TCommonLib::ShowMessageBox(const QString &text, int kind) const
{
    if (kind < 0 || kind > 3)
        return false;
    return Platform().MessageBox(ApplicationTitle(), text, static_cast<TPlatformLayer::MessageKind>(kind)) != 0;
}

void TCommonLib::ShowNoFilesMessage() const
{
    ShowMessageBox(QStringLiteral("Please add media files you want to convert into the list."), 1);
}

QStringList TCommonLib::ChooseSourceFiles(TOpenDialog &dialog, bool removeDuplicates,
                                          const QString &initialFolder) const
{
    dialog.InitialDir = initialFolder;
    const QStringList chosen = Platform().GetOpenFileNames(dialog.InitialDir, dialog.Filter);
    if (chosen.isEmpty())
        return {};
    dialog.Files = chosen;
    dialog.FileName = chosen.first();
    return removeDuplicates ? RemoveDuplicatePaths(chosen) : chosen;
}

QStringList TCommonLib::RemoveDuplicatePaths(const QStringList &paths)
{
    QStringList unique;
    for (const QString &path : paths)
        if (!unique.contains(path, Qt::CaseSensitive))
            unique << path;
    return unique;
}

void TCommonLib::AddSourceFiles(QTreeWidget *list, const QStringList &paths) const
{
    const QStringList supported = SupportedExtensions();
    for (const QString &path : paths) {
        bool listed = false;
        for (int i = 0; i < list->topLevelItemCount() && !listed; ++i)
            listed = list->topLevelItem(i)->text(colFileName) == path;
        if (listed)
            continue;
        if (!supported.contains(FileExtension(path).toLower()))
            continue;
        const QString duration = SecondsToTimeText(ProbeDurationSeconds(path));
        if (duration == QLatin1String("00:00:00")) {
            ShowMessageBox(QStringLiteral("Files reading error! Please check your files."), 1);
            continue;
        }
        auto *row = new QTreeWidgetItem(list);
        row->setText(colCheckStatus, QStringLiteral("True"));
        row->setText(colFileName, path);
        try {
            row->setText(colFileSize, FileSizeToText(SourceFileSize(path)));
        } catch (...) {
            // Every row keeps all seven cells: a half-filled one goes before
            // the error ends the call.
            delete row;
            throw;
        }
        row->setText(colDuration, duration);
        row->setText(colStartTime, QStringLiteral("00:00:00"));
        row->setText(colEndTime, duration);
        row->setText(colCutTime, duration);
    }
}

void TCommonLib::RemoveSelectedRows(QTreeWidget *list) const
{
    if (list->selectedItems().isEmpty())
        return;
    QApplication::processEvents();
    QTreeWidgetItem *focused = list->currentItem();
    const int focusedIndex = focused ? list->indexOfTopLevelItem(focused) : -1;
    QTreeWidgetItem *remembered = focusedIndex > 0 ? list->topLevelItem(focusedIndex - 1) : nullptr;

    {
        FrozenDisplay frozen(list);
        for (;;) {
            QTreeWidgetItem *first = nullptr;
            for (int i = 0; i < list->topLevelItemCount() && !first; ++i)
                if (list->topLevelItem(i)->isSelected())
                    first = list->topLevelItem(i);
            if (!first)
                break;
            QApplication::processEvents();
            if (first == remembered)
                remembered = nullptr;
            delete first;
        }
        if (remembered) {
            list->setCurrentItem(remembered);
            remembered->setSelected(true);
        } else {
            list->setCurrentItem(nullptr);
        }
    }
}

bool TCommonLib::ClearRows(QTreeWidget *list) const
{
    try {
        FrozenDisplay frozen(list);
        list->clear();
        return true;
    } catch (...) {
        return false;
    }
}

// --- Encoder command line fragments ------------------------------------------

QString TCommonLib::GetCodecArgs(QComboBox *, int index) const
{
    return CodecArgsFragment(index);
}

QString TCommonLib::GetVideoBitrateArg(QComboBox *box, int index) const
{
    return VideoBitrateFragment(ItemTextAt(box, index));
}

QString TCommonLib::GetVideoSizeArg(QComboBox *box, int index) const
{
    return VideoSizeFragment(ItemTextAt(box, index));
}

QString TCommonLib::GetAudioBitrateArg(QComboBox *box, int index) const
{
    return AudioBitrateFragment(ItemTextAt(box, index));
}

QString TCommonLib::GetVolumeArg(QComboBox *box, int index) const
{
    return VolumeFragment(ItemTextAt(box, index));
}

QString TCommonLib::GetAudioChannelsArg(QComboBox *box, int index) const
{
    return AudioChannelsFragment(ItemTextAt(box, index));
}

QString TCommonLib::GetAudioSampleArg(QComboBox *box, int index) const
{
    return AudioSampleFragment(ItemTextAt(box, index));
}

QString TCommonLib::GetFormatArg(QComboBox *, int index) const
{
    return FormatFragment(index);
}

QString TCommonLib::GetOutputExt(QComboBox *, int index) const
{
    return OutputExtension(index);
}

QString TCommonLib::QuotePath(const QString &path)
{
    return QuotedPath(path);
}

// --- Encoder process control ----------------------------------------------------

bool TCommonLib::StopEncoder(const QString &encoderPath) const
{
    const QString names[] = {QFileInfo(encoderPath).fileName(), QStringLiteral("evc.exe")};
    for (const QString &name : names) {
        int attempts = 0;
        while (GetProcessIdByName(name) != 0) {
            if (attempts++ == StopAttempts) {
                ShowMessageBox(QStringLiteral("The encoder could not be stopped. Please end the process \"%1\" "
                                              "yourself.").arg(name), 1);
                return false;
            }
            KillProcessByName(name);
            Platform().Pause(100);
            QApplication::processEvents();
        }
    }
    return true;
}

bool TCommonLib::KillProcessByName(const QString &name) const
{
    EnableDebugPrivilege();
    const QString wanted = UpperAsciiName(name);
    bool matched = false;
    bool latestSucceeded = false;
    for (const TProcessEntry &entry : SnapshotProcesses()) {
        const QString whole = UpperAsciiName(entry.ExeFile);
        const QString filePart = UpperAsciiName(QFileInfo(entry.ExeFile).fileName());
        if (whole != wanted && filePart != wanted)
            continue;
        matched = true;
        latestSucceeded = TerminateProcessById(entry.Pid);
    }
    if (!matched || !latestSucceeded) {
        AppFunc->WriteLog(QStringLiteral("Terminate process error."));
        return false;
    }
    return true;
}

qint64 TCommonLib::GetProcessIdByName(const QString &name) const
{
    const qint64 pid = SysFunc->FindProcessID(name);
    if (pid == 0)
        AppFunc->WriteLog(QStringLiteral("Get Process id error."));
    return pid;
}

bool TCommonLib::EnableDebugPrivilege() const
{
    // Linux has no privilege to enable: a process may signal what its user may.
    return SetPrivilege(0, QStringLiteral("SeDebugPrivilege"), true);
}

bool TCommonLib::SetPrivilege(int, const QString &, bool) const
{
    return true;
}

// --- System actions ---------------------------------------------------------------

void TCommonLib::TrimWorkingSet() const
{
    malloc_trim(0);
    QApplication::processEvents();
}

void TCommonLib::ShutdownComputer() const
{
    Platform().PowerOff();
}

void TCommonLib::OpenFolderInExplorer(const QString &folder) const
{
    Platform().OpenFolder(folder);
}

QString TCommonLib::ChooseOutputFolder(const QString &currentFolder) const
{
    const QString chosen = Platform().GetExistingDirectory(QStringLiteral("Please select output folder:"));
    bool accepted = false;
    if (!chosen.isEmpty()) {
        if (!QFileInfo(chosen).isDir()) {
            ShowMessageBox(QStringLiteral("The path is invalid."), 1);
        } else {
            // The write probe uses a sub-folder that does not exist yet, so a
            // folder of the user's is never removed by it.
            QString probe = chosen + QStringLiteral("/test");
            for (int n = 1; QFileInfo::exists(probe); ++n)
                probe = chosen + QStringLiteral("/test") + QString::number(n);
            accepted = QDir().mkpath(probe);
            if (!accepted)
                ShowMessageBox(QStringLiteral("This is a read-only path."), 1);
            QDir().rmdir(probe);
        }
    }
    if (accepted)
        return chosen;
    if (!QFileInfo::exists(currentFolder))
        QDir().mkpath(currentFolder);
    return currentFolder;
}
