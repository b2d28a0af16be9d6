#pragma once

#include <QString>
#include <QStringList>

struct RecConversionChoices;

class QComboBox;
class QTreeWidget;
class QTreeWidgetItem;

// The conversion controller: fills and applies the choices, custom profiles
// and the remembered add-files folder, forms the encoder command line and
// drives the batch. One instance lives for the whole run.
class TCustomProc final
{
public:
    // --- Format and quality catalogue ------------------------------------
    void FillOutputTypeCombo(QComboBox *box) const;
    void FillProfileCombo(QComboBox *box) const;
    void FillAspectRatioCombo(QComboBox *box) const;
    void FillAudioBitrateCombo(QComboBox *box) const;
    void FillAudioChannelCombo(QComboBox *box) const;
    void FillFrameRateCombo(QComboBox *box) const;
    void FillAudioSampleCombo(QComboBox *box) const;
    void FillVideoBitrateCombo(QComboBox *box) const;
    void FillVideoSizeCombo(QComboBox *box) const;
    void FillVolumeCombo(QComboBox *box) const;
    void FillAllCombos() const;
    void ApplyProfile() const;

    // --- Custom profiles and user settings --------------------------------
    QString ReadCustomProfile() const;
    void ApplyCustomProfile() const;
    void AddCustomProfile() const;
    void SaveCustomProfile() const;
    void DeleteCustomProfile() const;
    QString ReadInitDir() const;
    void SaveInitDir() const;

    // --- Source list look-ups ---------------------------------------------
    QTreeWidgetItem *FindRowByFileName(const QString &fileName) const;
    int SegmentSecondsOf(const QString &fileName) const;

    // --- Encoder command line ---------------------------------------------
    QString BuildCommandLine(const QString &fileName);
    QString GetSegmentStart(const QString &fileName) const;
    QString GetSegmentLength(const QString &fileName) const;
    QString PrepareOutputFolder() const;
    // The choices of the main window and the options dialog, with the segment
    // of the source list's row of the file.
    RecConversionChoices ReadChoices(const QString &fileName) const;

    // --- Batch conversion -------------------------------------------------
    void ConvertFileList(QTreeWidget *list);
    // True while ConvertFileList runs, including the steps a stopped batch
    // still finishes.
    bool IsConverting() const { return m_converting; }

    // --- Preview ------------------------------------------------------------
    void PlayVideoFile(const QString &fileName);
    void ResumeVideo();
    void PauseVideo();
    void StopVideo();
    // True after a play request succeeded, false after pause or stop.
    bool IsPlaying = false;

    QString SegmentStart;
    QString SegmentLength;
    QString CommandLine;
    int FileIndex = 0;
    int FileCount = 0;
    int RefreshCount = 0;

    // Set by a confirmed stop of the progress window during a batch.
    bool StopRequested = false;
    // The latest output chunk of the encoder run in progress.
    QString LastEncoderOutput;
    // Source files of the last batch that the encoder could not convert.
    QStringList FailedFiles;

private:
    bool m_converting = false;
};

// The program-wide instance, created with the main window.
extern TCustomProc *CustomProc;
