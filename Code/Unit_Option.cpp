#include "Unit_Option.h"

#include <algorithm>
#include <array>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionComboBox>

#include "Simple.h"
#include "Unit_CommonLib.h"
#include "Unit_ConfigInfo.h"
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

struct ChoiceGrid
{
    QLabel *labels[4];
    QComboBox *boxes[4];
};

// The width a closed box needs to show the longest of its items in full.
int ClosedBoxWidth(const QComboBox *box, const QStringList &items)
{
    int text = 0;
    for (const QString &item : items)
        text = std::max(text, box->fontMetrics().horizontalAdvance(item));
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = box->isEditable();
    option.frame = box->hasFrame();
    const QSize content(text, box->fontMetrics().height());
    return box->style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, box).width();
}

// Four captioned choices in a group, two rows of two: top left, top right,
// bottom left, bottom right, each with the items it will hold (its choice
// list). Each box starts right after the widest caption of its column, so no
// caption is cut, whatever the font; each column's boxes are at least as
// wide as their longest item ("2 channels, Stereo"), and the room left over
// is shared between the two columns.
ChoiceGrid PlaceChoiceGrid(QGroupBox *group, const std::array<QString, 4> &captions,
                           const std::array<QStringList, 4> &items)
{
    constexpr int margin = 8, gap = 6, rows[2] = {24, 56};
    ChoiceGrid grid{};
    int needed[2] = {0, 0};
    for (int i = 0; i < 4; ++i) {
        grid.labels[i] = PlaceLabel(group, captions[static_cast<size_t>(i)], margin, rows[i / 2] + 3);
        grid.boxes[i] = PlaceChoice(group, 0, rows[i / 2], 0);
        needed[i % 2] = std::max(needed[i % 2], ClosedBoxWidth(grid.boxes[i], items[static_cast<size_t>(i)]));
    }
    const int leftLabel = std::max(grid.labels[0]->width(), grid.labels[2]->width());
    const int rightLabel = std::max(grid.labels[1]->width(), grid.labels[3]->width());
    const int room = group->width() - 2 * margin - leftLabel - rightLabel - 3 * gap;
    const int spare = room - needed[0] - needed[1];
    const int leftBox = spare >= 0 ? needed[0] + spare / 2 : room / 2;
    const int rightBox = room - leftBox;
    const int rightLabelX = margin + leftLabel + gap + leftBox + gap;
    for (int i = 0; i < 4; ++i) {
        const bool right = i % 2 == 1;
        if (right)
            grid.labels[i]->move(rightLabelX, grid.labels[i]->y());
        const int boxX = right ? rightLabelX + rightLabel + gap : margin + leftLabel + gap;
        grid.boxes[i]->setGeometry(boxX, rows[i / 2], right ? rightBox : leftBox, 21);
    }
    return grid;
}

// The items of a choice list (its last entry is the default index).
QStringList ItemsOf(const QStringList &choiceList)
{
    return choiceList.mid(0, choiceList.size() - 1);
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
    const ChoiceGrid audio = PlaceChoiceGrid(grpAdvOptions,
                                            {QStringLiteral("Audio Bitrate(kbps):"), QStringLiteral("Audio Sample(khz):"),
                                             QStringLiteral("Audio Volume(%):"), QStringLiteral("Audio Channels:")},
                                            {ItemsOf(GetAudioBitrateList()), ItemsOf(GetAudioSampleList()),
                                             ItemsOf(GetVolumeList()), ItemsOf(GetAudioChannelList())});
    lblAudioBitrate = audio.labels[0], cbbAudioBitrate = audio.boxes[0];
    lblSample = audio.labels[1], cbbAudioSample = audio.boxes[1];
    lblVolume = audio.labels[2], cbbAudioVolumeGain = audio.boxes[2];
    lblChannels = audio.labels[3], cbbAudioChannels = audio.boxes[3];

    // The video settings are kept with the options but never shown.
    GroupBox1 = new QGroupBox(QStringLiteral("GroupBox1"), this);
    GroupBox1->setGeometry(12, 210, 449, 89);
    const ChoiceGrid video = PlaceChoiceGrid(GroupBox1,
                                            {QStringLiteral("Video Size:"), QStringLiteral("Video Bitrate(kbps):"),
                                             QStringLiteral("Frame Rate(fps):"), QStringLiteral("Aspect Ratio:")},
                                            {ItemsOf(GetVideoSizeList()), ItemsOf(GetVideoBitrateList()),
                                             ItemsOf(GetFrameRateList()), ItemsOf(GetAspectRatioList())});
    lblVideoSize = video.labels[0], cbbVideoSize = video.boxes[0];
    lblVideoBitrate = video.labels[1], cbbVideoBitrate = video.boxes[1];
    lblFrameRate = video.labels[2], cbbFramerate = video.boxes[2];
    lblAspectRatio = video.labels[3], cbbAspectratio = video.boxes[3];
    GroupBox1->hide();

    btnApply = PlaceButton(this, QStringLiteral("OK"), QRect(296, 152, 73, 25));
    btnApply->setDefault(true);
    btnCancel = PlaceButton(this, QStringLiteral("Cancel"), QRect(384, 152, 73, 25));

    setTabOrder(cbbCustomProfile, btnAdd);
    cbbCustomProfile->setFocus();

    // The profile box reacts to the user only: a chosen item or typed text.
    connect(cbbCustomProfile, &QComboBox::activated, this, ReportingErrors(this, &TfrmOption::cbbCustomProfileChange));
    connect(cbbCustomProfile->lineEdit(), &QLineEdit::textEdited, this, [this](const QString &text) {
        // As in a drop-down with an edit field, typing selects the item of
        // that name, or none; the typed text stays.
        const int match = cbbCustomProfile->findText(text, Qt::MatchFixedString);
        if (match != cbbCustomProfile->currentIndex()) {
            const QSignalBlocker blocker(cbbCustomProfile);
            cbbCustomProfile->setCurrentIndex(match);
            cbbCustomProfile->setEditText(text);
        }
        RunReportingErrors([this] { cbbCustomProfileChange(); });
    });
    connect(btnAdd, &QPushButton::clicked, this, ReportingErrors(this, &TfrmOption::btnAddClick));
    connect(btnSave, &QPushButton::clicked, this, ReportingErrors(this, &TfrmOption::btnSaveClick));
    connect(btnDel, &QPushButton::clicked, this, ReportingErrors(this, &TfrmOption::btnDelClick));
    connect(btnApply, &QPushButton::clicked, this, ReportingErrors(this, &TfrmOption::btnApplyClick));
    connect(btnCancel, &QPushButton::clicked, this, ReportingErrors(this, &TfrmOption::btnCancelClick));

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
        RunReportingErrors([this] { FormShow(); });
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

void TfrmOption::ListCustomProfiles()
{
    const QString shown = cbbCustomProfile->currentText();
    const QSignalBlocker blocker(cbbCustomProfile);
    cbbCustomProfile->clear();
    cbbCustomProfile->addItems(CommonLib->ReadConfigSections(QStringLiteral("UserProfileInfo.ini")));
    cbbCustomProfile->setCurrentIndex(-1);
    cbbCustomProfile->setEditText(shown);
}

void TfrmOption::FormShow()
{
    const QString shown = cbbCustomProfile->currentText();
    ListCustomProfiles();
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
