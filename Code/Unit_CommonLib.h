#pragma once

#include <QString>
#include <QStringList>

class QComboBox;
class QTreeWidget;
class QTreeWidgetItem;
class TFilterGraph;

// The settings of the open dialog for source files, and what it chose last.
struct TOpenDialog
{
    QString Filter;
    QString InitialDir;
    // The file, or the first of the files, chosen when it was last confirmed.
    QString FileName;
    QStringList Files;
};

// Source list cells, in column order.
enum TSourceColumn {
    colCheckStatus = 0,
    colFileName,
    colFileSize,
    colDuration,
    colStartTime,
    colEndTime,
    colCutTime,
    SourceColumnCount
};

// One row of the source list: seven text cells in column order.
struct RecSourceFile
{
    QString CheckStatus;
    QString FileName;
    QString FileSize;
    QString Duration;
    QString StartTime;
    QString EndTime;
    QString CutTime;

    static RecSourceFile FromRow(const QTreeWidgetItem *row);
    void WriteToRow(QTreeWidgetItem *row) const;
};

// The common services object: text helpers, the source list operations, the
// media probe, the current job of the encoder command line, encoder process
// control and the system actions. One instance lives for the whole run.
class TCommonLib final
{
public:
    explicit TCommonLib(const QString &appFolder);

    // --- Text, number and time helpers ---------------------------------
    static QStringList SplitByDelimiter(const QString &text, QChar delimiter);
    // Reads whatever number a text holds; throws EConvertError for a lone sign.
    static double TextToNumber(const QString &text);
    static QString SecondsToTimeText(qint64 seconds);
    static QString ZeroPadQuotient(qint64 value, qint64 divisor, int width);
    static QString FileSizeToText(qint64 bytes);
    // HH:MM:SS, each piece a decimal integer; any other piece count gives 0.
    // Throws EConvertError for a piece that is not an integer.
    static int TimeTextToSeconds(const QString &text);
    // The first three pieces read with TextToNumber; fewer pieces give 0.
    static int LenientTimeTextToSeconds(const QString &text);

    // --- Settings files in Config/ --------------------------------------
    QStringList ReadConfigSections(const QString &fileName) const;
    QString ReadConfigValue(const QString &fileName, const QString &profileName) const;
    QString ConfigFilePath(const QString &fileName) const;

    // --- Source file list -----------------------------------------------
    QStringList ChooseSourceFiles(TOpenDialog &dialog, bool removeDuplicates, const QString &initialFolder) const;
    static QStringList RemoveDuplicatePaths(const QStringList &paths);
    void AddSourceFiles(QTreeWidget *list, const QStringList &paths) const;
    void RemoveSelectedRows(QTreeWidget *list) const;
    bool ClearRows(QTreeWidget *list) const;
    // Kinds 0 error, 1 warning, 2 question, 3 information; any other shows nothing.
    bool ShowMessageBox(const QString &text, int kind) const;
    void ShowNoFilesMessage() const;

    // --- Media probe ------------------------------------------------------
    // Whole seconds, truncated; 0 for anything that cannot be measured.
    static int ProbeDurationSeconds(const QString &fileName);
    // Throws EFileError when the file cannot be opened.
    static qint64 SourceFileSize(const QString &fileName);

    // --- Encoder command line fragments -----------------------------------
    QString GetCodecArgs(QComboBox *box, int index) const;
    QString GetVideoBitrateArg(QComboBox *box, int index) const;
    QString GetVideoSizeArg(QComboBox *box, int index) const;
    QString GetAudioBitrateArg(QComboBox *box, int index) const;
    QString GetVolumeArg(QComboBox *box, int index) const;
    QString GetAudioChannelsArg(QComboBox *box, int index) const;
    QString GetAudioSampleArg(QComboBox *box, int index) const;
    QString GetFormatArg(QComboBox *box, int index) const;
    QString GetOutputExt(QComboBox *box, int index) const;
    // A path in double quotes, with '"' and '\' escaped by a backslash.
    static QString QuotePath(const QString &path);

    // --- Encoder process control ------------------------------------------
    // Terminates every encoder process; false when one could not be ended
    // within its bound of attempts (the user has been told).
    bool StopEncoder(const QString &encoderPath) const;
    bool KillProcessByName(const QString &name) const;
    qint64 GetProcessIdByName(const QString &name) const;
    bool EnableDebugPrivilege() const;
    bool SetPrivilege(int token, const QString &privilegeName, bool enable) const;

    // --- System actions ---------------------------------------------------
    void TrimWorkingSet() const;
    void ShutdownComputer() const;
    void OpenFolderInExplorer(const QString &folder) const;
    QString ChooseOutputFolder(const QString &currentFolder) const;

    // --- Preview ------------------------------------------------------------
    // Moves the player to an absolute position; throws EAppError when
    // nothing is loaded.
    void SeekVideo(TFilterGraph *graph, qint64 ms) const;
    // The file loaded into the preview; empty when none is.
    QString PlayingFile;

    // --- The current job ----------------------------------------------------
    QString AppFolder;
    QString EncoderPath;
    QString SourceFile;
    QString CodecArgs;
    QString VideoBitrateArg;
    QString VideoSizeArg;
    QString AudioBitrateArg;
    QString VolumeArg;
    QString ChannelsArg;
    QString SampleRateArg;
    QString FormatArg;
    QString SegmentArg;
    QString OutputFolder;
    QString OutputBaseName;
    QString OutputExt;
    // The output path of the current job, as the command line names it.
    QString OutputPath;
};

// The program-wide instance, created with the main window.
extern TCommonLib *CommonLib;
