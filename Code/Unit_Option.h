#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

// The options dialog: the advanced audio settings, the hidden video settings
// and the custom profiles. Its choice boxes are where the option values live.
class TfrmOption final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmOption)

public:
    explicit TfrmOption(QWidget *parent = nullptr);
    ~TfrmOption() override;

    QLabel *lblCustomProfile = nullptr;
    QComboBox *cbbCustomProfile = nullptr;
    QPushButton *btnAdd = nullptr;
    QPushButton *btnSave = nullptr;
    QPushButton *btnDel = nullptr;
    QGroupBox *grpAdvOptions = nullptr;
    QLabel *lblAudioBitrate = nullptr;
    QComboBox *cbbAudioBitrate = nullptr;
    QLabel *lblSample = nullptr;
    QComboBox *cbbAudioSample = nullptr;
    QLabel *lblVolume = nullptr;
    QComboBox *cbbAudioVolumeGain = nullptr;
    QLabel *lblChannels = nullptr;
    QComboBox *cbbAudioChannels = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QLabel *lblVideoSize = nullptr;
    QComboBox *cbbVideoSize = nullptr;
    QLabel *lblVideoBitrate = nullptr;
    QComboBox *cbbVideoBitrate = nullptr;
    QLabel *lblFrameRate = nullptr;
    QComboBox *cbbFramerate = nullptr;
    QLabel *lblAspectRatio = nullptr;
    QComboBox *cbbAspectratio = nullptr;
    QPushButton *btnApply = nullptr;
    QPushButton *btnCancel = nullptr;

    // Replaces the items of cbbCustomProfile by the stored profile names, in
    // file order, with no item selected; the text shown stays. Runs when the
    // choices are first filled, so that a custom profile chosen in the main
    // window applies even before the dialog has ever been shown.
    void ListCustomProfiles();

    void FormShow();
    void cbbCustomProfileChange();
    void btnAddClick();
    void btnSaveClick();
    void btnDelClick();
    void btnApplyClick();
    void btnCancelClick();

    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void RelistProfilesSelectingLast();
    QList<QComboBox *> RememberedBoxes() const;

    QList<int> m_rememberedSelections;
};

// The program-wide options dialog.
extern TfrmOption *frmOption;
