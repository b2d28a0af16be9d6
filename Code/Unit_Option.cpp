#include "Unit_Option.h"

#include <algorithm>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>

#include "Unit_CommonLib.h"
#include "Unit_Convert.h"
#include "UnitCustomProc.h"

TfrmOption *frmOption = nullptr;

namespace {

QLabel *PlaceLabel(QWidget *parent, const QString &text, int left, int top)
{
    auto *label = new QLabel(text, parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QComboBox *PlaceChoice(QWidget *parent, int left, int top, int width)
{
    auto *box = new QComboBox(parent);
    box->setGeometry(left, top, width, 21);
    return box;
}

QPushButton *PlaceButton(QWidget *parent, const QString &caption, const QRect &geometry)
{
    auto *button = new QPushButton(caption, parent);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

// The two label-and-box columns of a group: the boxes start right after the
// widest caption of their column, so no caption is cut, whatever the font.
void FitColumnsToCaptions(const QList<QLabel *> &leftLabels, const QList<QComboBox *> &leftBoxes,
                          const QList<QLabel *> &rightLabels, const QList<QComboBox *> &rightBoxes, int groupWidth)
{
    auto widest = [](const QList<QLabel *> &labels) {
        int width = 0;
        for (QLabel *label : labels)
            width = std::max(width, label->sizeHint().width());
        return width;
    };
    constexpr int margin = 8, gap = 6;
    const int leftLabel = widest(leftLabels), rightLabel = widest(rightLabels);
    const int boxWidth = (groupWidth - 2 * margin - leftLabel - rightLabel - 3 * gap) / 2;
    const int leftBox = margin + leftLabel + gap;
    const int rightLabelX = leftBox + boxWidth + gap;
    for (QComboBox *box : leftBoxes)
        box->setGeometry(leftBox, box->y(), boxWidth, box->height());
    for (QLabel *label : rightLabels)
        label->move(rightLabelX, label->y());
    for (QComboBox *box : rightBoxes)
        box->setGeometry(rightLabelX + rightLabel + gap, box->y(), boxWidth, box->height());
}

void SelectWithoutChange(QComboBox *box, int index)
{
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(index < box->count() ? index : -1);
}

} // namespace

TfrmOption::TfrmOption(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    frmOption = this;
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(QStringLiteral("Options"));
    // The dialog's small, fixed size is laid out for an 8-point font.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    setFixedSize(476, 198);
    setModal(false);

    lblCustomProfile = PlaceLabel(this, QStringLiteral("Custom Profile:"), 8, 27);
    cbbCustomProfile = new QComboBox(this);
    cbbCustomProfile->setEditable(true);
    cbbCustomProfile->setInsertPolicy(QComboBox::NoInsert);
    cbbCustomProfile->setGeometry(112, 24, 185, 21);
    btnAdd = PlaceButton(this, QStringLiteral("Add"), QRect(304, 22, 49, 24));
    btnSave = PlaceButton(this, QStringLiteral("Save"), QRect(356, 22, 49, 24));
    btnDel = PlaceButton(this, QStringLiteral("Delete"), QRect(408, 22, 49, 24));

    grpAdvOptions = new QGroupBox(QStringLiteral("Advanced Options"), this);
    grpAdvOptions->setGeometry(12, 48, 449, 89);
    lblAudioBitrate = PlaceLabel(grpAdvOptions, QStringLiteral("Audio Bitrate(kbps):"), 8, 27);
    cbbAudioBitrate = PlaceChoice(grpAdvOptions, 107, 24, 117);
    lblSample = PlaceLabel(grpAdvOptions, QStringLiteral("Audio Sample(khz):"), 232, 27);
    cbbAudioSample = PlaceChoice(grpAdvOptions, 323, 24, 117);
    lblVolume = PlaceLabel(grpAdvOptions, QStringLiteral("Audio Volume(%):"), 8, 59);
    cbbAudioVolumeGain = PlaceChoice(grpAdvOptions, 107, 56, 117);
    lblChannels = PlaceLabel(grpAdvOptions, QStringLiteral("Audio Channels:"), 232, 59);
    cbbAudioChannels = PlaceChoice(grpAdvOptions, 323, 56, 117);
    FitColumnsToCaptions({lblAudioBitrate, lblVolume}, {cbbAudioBitrate, cbbAudioVolumeGain},
                         {lblSample, lblChannels}, {cbbAudioSample, cbbAudioChannels}, grpAdvOptions->width());

    // The video settings are kept with the options but never shown.
    GroupBox1 = new QGroupBox(QStringLiteral("GroupBox1"), this);
    GroupBox1->setGeometry(12, 210, 449, 89);
    lblVideoSize = PlaceLabel(GroupBox1, QStringLiteral("Video Size:"), 8, 27);
    cbbVideoSize = PlaceChoice(GroupBox1, 107, 24, 117);
    lblVideoBitrate = PlaceLabel(GroupBox1, QStringLiteral("Video Bitrate(kbps):"), 232, 27);
    cbbVideoBitrate = PlaceChoice(GroupBox1, 323, 24, 117);
    lblFrameRate = PlaceLabel(GroupBox1, QStringLiteral("Frame Rate(fps):"), 8, 59);
    cbbFramerate = PlaceChoice(GroupBox1, 107, 56, 117);
    lblAspectRatio = PlaceLabel(GroupBox1, QStringLiteral("Aspect Ratio:"), 232, 59);
    cbbAspectratio = PlaceChoice(GroupBox1, 323, 56, 117);
    GroupBox1->hide();

    btnApply = PlaceButton(this, QStringLiteral("OK"), QRect(296, 152, 73, 25));
    btnApply->setDefault(true);
    btnCancel = PlaceButton(this, QStringLiteral("Cancel"), QRect(384, 152, 73, 25));

    setTabOrder(cbbCustomProfile, btnAdd);
    cbbCustomProfile->setFocus();

    // The profile box reacts to the user only: a chosen item or typed text.
    connect(cbbCustomProfile, &QComboBox::activated, this, &TfrmOption::cbbCustomProfileChange);
    connect(cbbCustomProfile->lineEdit(), &QLineEdit::textEdited, this, [this](const QString &text) {
        // As in a drop-down with an edit field, typing selects the item of
        // that name, or none; the typed text stays.
        const int match = cbbCustomProfile->findText(text, Qt::MatchFixedString);
        if (match != cbbCustomProfile->currentIndex()) {
            const QSignalBlocker blocker(cbbCustomProfile);
            cbbCustomProfile->setCurrentIndex(match);
            cbbCustomProfile->setEditText(text);
        }
        cbbCustomProfileChange();
    });
    connect(btnAdd, &QPushButton::clicked, this, &TfrmOption::btnAddClick);
    connect(btnSave, &QPushButton::clicked, this, &TfrmOption::btnSaveClick);
    connect(btnDel, &QPushButton::clicked, this, &TfrmOption::btnDelClick);
    connect(btnApply, &QPushButton::clicked, this, &TfrmOption::btnApplyClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmOption::btnCancelClick);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TfrmOption::~TfrmOption()
{
    if (frmOption == this)
        frmOption = nullptr;
}

QList<QComboBox *> TfrmOption::RememberedBoxes() const
{
    return {cbbVideoSize,   cbbVideoBitrate,    cbbFramerate,     cbbAspectratio,  cbbAudioBitrate,
            cbbAudioSample, cbbAudioVolumeGain, cbbAudioChannels, cbbCustomProfile};
}

void TfrmOption::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmOption::closeEvent(QCloseEvent *event)
{
    // The title bar's close hides the dialog and restores nothing.
    event->accept();
    hide();
}

void TfrmOption::reject()
{
    btnCancelClick();
}

void TfrmOption::FormShow()
{
    const QString shown = cbbCustomProfile->currentText();
    {
        const QSignalBlocker blocker(cbbCustomProfile);
        cbbCustomProfile->clear();
        cbbCustomProfile->addItems(CommonLib->ReadConfigSections(QStringLiteral("UserProfileInfo.ini")));
        cbbCustomProfile->setCurrentIndex(-1);
        cbbCustomProfile->setEditText(shown);
    }
    if (shown.isEmpty())
        SelectWithoutChange(cbbCustomProfile, FrmMainForm->cbbProfile->currentIndex() - 5);

    m_rememberedSelections.clear();
    for (QComboBox *box : RememberedBoxes())
        m_rememberedSelections << box->currentIndex();
}

void TfrmOption::cbbCustomProfileChange()
{
    CustomProc->ApplyCustomProfile();
}

void TfrmOption::RelistProfilesSelectingLast()
{
    const QSignalBlocker blocker(cbbCustomProfile);
    cbbCustomProfile->clear();
    cbbCustomProfile->addItems(CommonLib->ReadConfigSections(QStringLiteral("UserProfileInfo.ini")));
    cbbCustomProfile->setCurrentIndex(cbbCustomProfile->count() - 1);
}

void TfrmOption::btnAddClick()
{
    CustomProc->AddCustomProfile();
    RelistProfilesSelectingLast();
}

void TfrmOption::btnSaveClick()
{
    CustomProc->SaveCustomProfile();
    RelistProfilesSelectingLast();
}

void TfrmOption::btnDelClick()
{
    CustomProc->DeleteCustomProfile();
    RelistProfilesSelectingLast();
    if (cbbCustomProfile->count() == 0) {
        const QSignalBlocker blocker(cbbCustomProfile);
        cbbCustomProfile->setEditText(QString());
    }
}

void TfrmOption::btnApplyClick()
{
    FrmMainForm->cbbProfile->clear();
    CustomProc->FillProfileCombo(FrmMainForm->cbbProfile);
    hide();
}

void TfrmOption::btnCancelClick()
{
    const QList<QComboBox *> boxes = RememberedBoxes();
    for (int i = 0; i < boxes.size() && i < m_rememberedSelections.size(); ++i)
        SelectWithoutChange(boxes[i], m_rememberedSelections[i]);
    hide();
}
