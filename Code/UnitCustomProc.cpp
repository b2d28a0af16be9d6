#include "UnitCustomProc.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QTreeWidget>

#include "AdvanceSystem.h"
#include "AppErrors.h"
#include "ConversionJob.h"
#include "FuncObjects.h"
#include "IniFiles32.h"
#include "PlatformLayer.h"
#include "ProcessTable.h"
#include "Simple.h"
#include "Unit_CommonLib.h"
#include "Unit_ConfigInfo.h"
#include "Unit_Convert.h"
#include "Unit_Converting.h"
#include "Unit_Option.h"

TCustomProc *CustomProc = nullptr;

namespace {

const QString ProfileFile = QStringLiteral("UserProfileInfo.ini");
const QString CountFile = QStringLiteral("UserProfileCount.ini");
const QString SettingsFile = QStringLiteral("UserSettings.ini");

// Appends every entry of a choice list but the last, then selects the item
// whose index the last entry gives. Selecting from code is no user change.
void FillChoice(QComboBox *box, const QStringList &choiceList)
{
    const QSignalBlocker blocker(box);
    box->addItems(choiceList.mid(0, choiceList.size() - 1));
    box->setCurrentIndex(choiceList.last().toInt());
}

void SelectIndex(QComboBox *box, int index)
{
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(index < box->count() ? index : -1);
}

// The six profile choices, in the order of a profile string.
QList<QComboBox *> ProfileChoices()
{
    return {frmOption->cbbVideoSize, frmOption->cbbFramerate, frmOption->cbbVideoBitrate,
            frmOption->cbbAudioBitrate, frmOption->cbbAudioChannels, frmOption->cbbAudioSample};
}

QString CurrentChoicesProfile()
{
    QStringList fields;
    for (QComboBox *box : ProfileChoices())
        fields << QString::number(box->currentIndex());
    return fields.join(QLatin1Char('|'));
}

} // namespace

// --- Format and quality catalogue ---------------------------------------------

void TCustomProc::FillOutputTypeCombo(QComboBox *box) const { FillChoice(box, GetOutputTypeList()); }
void TCustomProc::FillAspectRatioCombo(QComboBox *box) const { FillChoice(box, GetAspectRatioList()); }
void TCustomProc::FillAudioBitrateCombo(QComboBox *box) const { FillChoice(box, GetAudioBitrateList()); }
void TCustomProc::FillAudioChannelCombo(QComboBox *box) const { FillChoice(box, GetAudioChannelList()); }
void TCustomProc::FillFrameRateCombo(QComboBox *box) const { FillChoice(box, GetFrameRateList()); }
void TCustomProc::FillAudioSampleCombo(QComboBox *box) const { FillChoice(box, GetAudioSampleList()); }
void TCustomProc::FillVideoBitrateCombo(QComboBox *box) const { FillChoice(box, GetVideoBitrateList()); }
void TCustomProc::FillVideoSizeCombo(QComboBox *box) const { FillChoice(box, GetVideoSizeList()); }
void TCustomProc::FillVolumeCombo(QComboBox *box) const { FillChoice(box, GetVolumeList()); }

void TCustomProc::FillProfileCombo(QComboBox *box) const
{
    const QStringList quality = GetQualityList();
    const QSignalBlocker blocker(box);
    box->addItems(quality.mid(0, quality.size() - 1));
    box->addItems(CommonLib->ReadConfigSections(ProfileFile));
    box->setCurrentIndex(quality.last().toInt());
}

void TCustomProc::FillAllCombos() const
{
    FillOutputTypeCombo(FrmMainForm->cbbOutputFiletype);
    FillProfileCombo(FrmMainForm->cbbProfile);
    FillAspectRatioCombo(frmOption->cbbAspectratio);
    FillVideoBitrateCombo(frmOption->cbbVideoBitrate);
    FillAudioBitrateCombo(frmOption->cbbAudioBitrate);
    FillAudioChannelCombo(frmOption->cbbAudioChannels);
    FillFrameRateCombo(frmOption->cbbFramerate);
    FillAudioSampleCombo(frmOption->cbbAudioSample);
    FillVolumeCombo(frmOption->cbbAudioVolumeGain);
    FillVideoSizeCombo(frmOption->cbbVideoSize);
    frmOption->ListCustomProfiles();
}

void TCustomProc::ApplyProfile() const
{
    const int quality = FrmMainForm->cbbProfile->currentIndex();
    if (quality >= 5) {
        // Found by name, not by position: after a Delete in the options
        // dialog its list no longer matches this one until OK refills it,
        // and a position would then apply another profile.
        SelectIndex(frmOption->cbbCustomProfile,
                    frmOption->cbbCustomProfile->findText(FrmMainForm->cbbProfile->currentText()));
        ApplyCustomProfile();
        return;
    }
    const int outputType = FrmMainForm->cbbOutputFiletype->currentIndex();
    if (outputType < 0 || outputType > 6)
        return;
    const bool amr = outputType == 0;
    FrmMainForm->cbbProfile->setEnabled(!amr);
    FrmMainForm->btnOptions->setEnabled(!amr);
    if (quality < 0)
        return;
    const QStringList fields = TCommonLib::SplitByDelimiter(GetProfileListOfType(outputType)[quality],
                                                            QLatin1Char('|'));
    const QList<QComboBox *> choices = ProfileChoices();
    for (int i = 0; i < choices.size() && i < fields.size(); ++i)
        if (fields[i] != QLatin1String("none"))
            SelectIndex(choices[i], ProfileFieldToIndex(fields[i]));
}

// --- Custom profiles and user settings ------------------------------------------

QString TCustomProc::ReadCustomProfile() const
{
    QComboBox *box = frmOption->cbbCustomProfile;
    const int index = box->currentIndex();
    const QString name = index >= 0 ? box->itemText(index) : QString();
    if (name.isEmpty())
        return {};
    return CommonLib->ReadConfigValue(ProfileFile, name);
}

void TCustomProc::ApplyCustomProfile() const
{
    const QString profile = ReadCustomProfile();
    if (profile.isEmpty())
        return;
    QStringList fields = TCommonLib::SplitByDelimiter(profile, QLatin1Char('|'));
    if (fields.size() != 6)
        return;
    const QList<QComboBox *> choices = ProfileChoices();
    for (int i = 0; i < 6; ++i)
        if (!fields[i].isEmpty())
            SelectIndex(choices[i], ProfileFieldToIndex(fields[i]));
}

namespace {

// Why a name cannot be stored as a profile, or "" when it can. A profile's
// name is both its section header and its key, so it must survive both: a
// "]" or "=" would be read back as another name, a line break would split
// the line, and blanks at either end are trimmed away on reading.
QString ProfileNameProblem(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("A profile name cannot be empty.");
    for (const QChar c : name)
        if (c.unicode() < 32 || c.unicode() == 127)
            return QStringLiteral("A profile name cannot contain a line break or another control character.");
    if (name.contains(QLatin1Char(']')))
        return QStringLiteral("A profile name cannot contain \"]\".");
    if (name.contains(QLatin1Char('=')))
        return QStringLiteral("A profile name cannot contain \"=\".");
    if (name.front().isSpace() || name.back().isSpace())
        return QStringLiteral("A profile name cannot begin or end with a blank.");
    return {};
}

// Stores the current choices under the name, or says why it cannot.
void StoreProfile(TIniFile32 &profiles, const QString &name)
{
    const QString problem = ProfileNameProblem(name);
    if (!problem.isEmpty()) {
        CommonLib->ShowMessageBox(QStringLiteral("The profile \"%1\" was not stored. ").arg(name) + problem, 1);
        return;
    }
    profiles.WriteString(name, name, CurrentChoicesProfile());
}

} // namespace

void TCustomProc::AddCustomProfile() const
{
    TIniFile32 profiles(CommonLib->ConfigFilePath(ProfileFile));
    QStringList existing;
    profiles.ReadSections(&existing);
    const auto taken = [&existing](const QString &name) {
        return existing.contains(name, Qt::CaseInsensitive);
    };
    const QString stem = QStringLiteral("UserProfileInfo");
    int number = 0;
    {
        TIniFile32 counter(CommonLib->ConfigFilePath(CountFile));
        const int count = counter.ReadInteger(QStringLiteral("count"), QStringLiteral("count"), 0);
        // The counter stops at the largest number instead of running over,
        // and a proposal skips names that a profile already has.
        number = count < INT_MAX ? count + 1 : INT_MAX;
        while (number < INT_MAX && taken(stem + QString::number(number)))
            ++number;
        counter.WriteInteger(QStringLiteral("count"), QStringLiteral("count"), number);
    }
    QString proposed = stem + QString::number(number);
    for (int suffix = 1; taken(proposed); ++suffix)
        proposed = stem + QString::number(number) + QLatin1Char('_') + QString::number(suffix);
    const QString name = Platform().InputBox(ApplicationTitle(), QStringLiteral("Plese input a name"), proposed);
    StoreProfile(profiles, name);
}

void TCustomProc::SaveCustomProfile() const
{
    TIniFile32 profiles(CommonLib->ConfigFilePath(ProfileFile));
    StoreProfile(profiles, frmOption->cbbCustomProfile->currentText());
}

void TCustomProc::DeleteCustomProfile() const
{
    TIniFile32 profiles(CommonLib->ConfigFilePath(ProfileFile));
    if (frmOption->cbbCustomProfile->count() > 0)
        profiles.EraseSection(frmOption->cbbCustomProfile->currentText());
}

QString TCustomProc::ReadInitDir() const
{
    return TIniFile32(CommonLib->ConfigFilePath(SettingsFile))
        .ReadString(QStringLiteral("USRInfo"), QStringLiteral("InitDir"), QDir::homePath() + QLatin1Char('/'));
}

void TCustomProc::SaveInitDir() const
{
    const QString folder = FileFunc->GetFilePath(FrmMainForm->dlgOpenSourceFile.FileName);
    if (folder.isEmpty())
        return;
    TIniFile32(CommonLib->ConfigFilePath(SettingsFile))
        .WriteString(QStringLiteral("USRInfo"), QStringLiteral("InitDir"), folder);
}

// --- Source list look-ups -------------------------------------------------------

QTreeWidgetItem *TCustomProc::FindRowByFileName(const QString &fileName) const
{
    QTreeWidget *list = FrmMainForm->dxTreeSourceFileInfo;
    const QString wanted = UpperAsciiName(fileName);
    QTreeWidgetItem *found = nullptr;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (UpperAsciiName(list->topLevelItem(i)->text(colFileName)) == wanted)
            found = list->topLevelItem(i);
    return found;
}

int TCustomProc::SegmentSecondsOf(const QString &fileName) const
{
    const QTreeWidgetItem *row = FindRowByFileName(fileName);
    if (!row)
        return 0;
    return TCommonLib::TimeTextToSeconds(row->text(colEndTime)) - TCommonLib::TimeTextToSeconds(row->text(colStartTime));
}

// --- Encoder command line --------------------------------------------------------

QString TCustomProc::GetSegmentStart(const QString &fileName) const
{
    const QTreeWidgetItem *row = FindRowByFileName(fileName);
    if (!row)
        return {};
    ApplyCustomProfile();
    return row->text(colStartTime);
}

QString TCustomProc::GetSegmentLength(const QString &fileName) const
{
    const QTreeWidgetItem *row = FindRowByFileName(fileName);
    if (!row)
        return {};
    return QString::number(SegmentSecondsOf(fileName));
}

QString TCustomProc::PrepareOutputFolder() const
{
    return ::PrepareOutputFolder(FrmMainForm->edtOutputFolder->text());
}

// The one place where the windows' controls become the choices of a
// conversion; everything after it is the same code the batch command runs.
RecConversionChoices TCustomProc::ReadChoices(const QString &fileName) const
{
    RecConversionChoices choices;
    choices.OutputType = FrmMainForm->cbbOutputFiletype->currentIndex();
    choices.Quality = FrmMainForm->cbbProfile->currentIndex();
    choices.CustomProfile = choices.Quality >= 5 ? ReadCustomProfile() : QString();
    choices.VideoSize = frmOption->cbbVideoSize->currentText();
    choices.FrameRate = frmOption->cbbFramerate->currentText();
    choices.VideoBitrate = frmOption->cbbVideoBitrate->currentText();
    choices.AudioBitrate = frmOption->cbbAudioBitrate->currentText();
    choices.AudioChannels = frmOption->cbbAudioChannels->currentText();
    choices.AudioSample = frmOption->cbbAudioSample->currentText();
    choices.Volume = frmOption->cbbAudioVolumeGain->currentText();
    choices.AspectRatio = frmOption->cbbAspectratio->currentText();
    choices.OutputFolder = FrmMainForm->edtOutputFolder->text();
    if (const QTreeWidgetItem *row = FindRowByFileName(fileName)) {
        choices.HasSegment = true;
        choices.SegmentStart = row->text(colStartTime);
        choices.SegmentEnd = row->text(colEndTime);
    }
    return choices;
}

QString TCustomProc::BuildCommandLine(const QString &fileName)
{
    // Applies the options dialog's custom profile to its choices first.
    GetSegmentStart(fileName);
    const RecConversionJob formed = FormConversion(ReadChoices(fileName), fileName, CommonLib->AppFolder);
    SegmentStart = formed.SegmentStart;
    SegmentLength = formed.SegmentLength;
    TCommonLib &job = *CommonLib;
    job.SegmentArg = formed.SegmentArg;
    job.EncoderPath = formed.EncoderPath;
    job.SourceFile = formed.SourceFile;
    job.CodecArgs = formed.CodecArgs;
    job.VideoBitrateArg = formed.VideoBitrateArg;
    job.VideoSizeArg = formed.VideoSizeArg;
    job.AudioBitrateArg = formed.AudioBitrateArg;
    job.VolumeArg = formed.VolumeArg;
    job.ChannelsArg = formed.ChannelsArg;
    job.SampleRateArg = formed.SampleRateArg;
    job.FormatArg = formed.FormatArg;
    job.OutputFolder = formed.OutputFolder;
    job.OutputBaseName = formed.OutputBaseName;
    job.OutputExt = formed.OutputExt;
    job.OutputPath = formed.OutputPath;
    return formed.CommandLine;
}

// --- Batch conversion ------------------------------------------------------------

namespace {

QString FailureMessage(const QStringList &failed)
{
    constexpr int Named = 10;
    QString text = failed.size() == 1 ? QStringLiteral("1 file could not be converted:")
                                      : QStringLiteral("%1 files could not be converted:").arg(failed.size());
    for (int i = 0; i < failed.size() && i < Named; ++i)
        text += QLatin1Char('\n') + failed[i];
    if (failed.size() > Named)
        text += QStringLiteral("\nand %1 more").arg(failed.size() - Named);
    return text;
}

// The empty file that reserved a row's output name. It is removed when the
// row ends without output, but only while it is still the very file this
// job created: never a file that someone else put there.
class OutputReservation final
{
public:
    explicit OutputReservation(const QString &path)
        : m_path(path)
    {
        struct stat info {};
        m_held = ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0;
        m_device = info.st_dev;
        m_inode = info.st_ino;
    }

    void Release() const
    {
        if (!m_held)
            return;
        const QByteArray name = QFile::encodeName(m_path);
        struct stat info {};
        if (::stat(name.constData(), &info) == 0 && info.st_dev == m_device && info.st_ino == m_inode
            && info.st_size == 0)
            ::unlink(name.constData());
    }

private:
    QString m_path;
    bool m_held = false;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};

} // namespace

void TCustomProc::ConvertFileList(QTreeWidget *list)
{
    // The windows answer during the batch's waits, and a stopped batch still
    // finishes its current row with the main window enabled again: a Convert
    // reaching it then must not start a second batch inside the first.
    if (m_converting)
        return;
    m_converting = true;
    const auto converted = qScopeGuard([this] { m_converting = false; });

    FileIndex = 0;
    FileCount = list->topLevelItemCount();
    StopRequested = false;
    FailedFiles.clear();
    if (list->topLevelItemCount() == 0) {
        CommonLib->ShowNoFilesMessage();
    } else {
        while (FileIndex <= list->topLevelItemCount() - 1) {
            QTreeWidgetItem *row = list->topLevelItem(FileIndex);
            if (row->text(colCheckStatus) != QLatin1String("True")) {
                ++FileIndex;
                continue;
            }
            const QString fileName = row->text(colFileName);
            try {
                CommandLine = BuildCommandLine(fileName);
                AppFunc->WriteLog(QStringLiteral("parameter: ") + CommandLine);
            } catch (...) {
                // The program is never left disabled behind an error.
                frmConverting->hide();
                FrmMainForm->setEnabled(true);
                throw;
            }
            RefreshCount = 0;
            frmConverting->ProgressBar1->SetPosition(0);
            TAdvanceSystem runner;
            frmConverting->show();
            FrmMainForm->setEnabled(false);
            QApplication::processEvents();
            Platform().Pause(2000);
            QApplication::processEvents();

            const OutputReservation reservation(CommonLib->OutputPath);
            // A stop confirmed before the encoder started converts nothing more.
            if (StopRequested) {
                reservation.Release();
            } else {
                LastEncoderOutput.clear();
                const bool started = runner.RunConsoleProgram(CommandLine, OnEncoderOutput);
                if (!started || runner.LastExitCode() != 0) {
                    // The encoder writes under a hidden name and renames only a
                    // complete file, so the final name still holds the reservation.
                    RemovePartialOutput(CommonLib->OutputPath, runner.LastProcessId());
                    reservation.Release();
                    if (!started || !StopRequested) {
                        QString reason = started
                            ? StrFunc->GetLastLine(LastEncoderOutput)
                            : QStringLiteral("the encoder could not be started: ") + CommonLib->EncoderPath
                                + QStringLiteral(": ") + runner.LastError();
                        if (reason.isEmpty())
                            reason = QStringLiteral("the encoder ended with code %1").arg(runner.LastExitCode());
                        FailedFiles << fileName;
                        AppFunc->WriteLog(QStringLiteral("Conversion failed: ") + fileName + QStringLiteral(" -> ")
                                          + reason);
                    }
                }
            }
            QApplication::processEvents();
            Platform().Pause(3000);
            while (SysFunc->FindProcessID(QStringLiteral("evc.exe")) != 0) {
                Platform().Pause(100);
                QApplication::processEvents();
            }
            ++FileIndex;
        }
        if (!FailedFiles.isEmpty())
            CommonLib->ShowMessageBox(FailureMessage(FailedFiles), 1);
        if (FrmMainForm->chkShowOutputDirectory->isChecked())
            CommonLib->OpenFolderInExplorer(CommonLib->OutputFolder);
        if (FrmMainForm->chkShutdown->isChecked()) {
            CommonLib->ShutdownComputer();
            Platform().EndProgram();
            return;
        }
    }
    frmConverting->hide();
    FrmMainForm->setEnabled(true);
}
