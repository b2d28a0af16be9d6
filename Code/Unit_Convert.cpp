#include "Unit_Convert.h"

#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "FuncObjects.h"
#include "Simple.h"
#include "Unit_ConfigInfo.h"
#include "Unit_Converting.h"
#include "Unit_Option.h"
#include "UnitCustomProc.h"

TFrmMainForm *FrmMainForm = nullptr;

namespace {

// The service objects live until the process ends; creating another main
// window (as tests do) replaces them with a fresh set.
void CreateServiceObjects()
{
    static std::unique_ptr<TCustomProc> customProc;
    static std::unique_ptr<TCommonLib> commonLib;
    CreateFuncObjects();
    customProc = std::make_unique<TCustomProc>();
    commonLib = std::make_unique<TCommonLib>(AppFunc->GetAppPath());
    CustomProc = customProc.get();
    CommonLib = commonLib.get();
}

} // namespace

TFrmMainForm::TFrmMainForm(QWidget *parent)
    : QWidget(parent)
{
    FrmMainForm = this;
    CreateServiceObjects();
    setObjectName(QStringLiteral("FrmMainForm"));
    setWindowTitle(QStringLiteral("Sonabrix"));
    setAcceptDrops(true);
    resize(760, 480);

    dxTreeSourceFileInfo = new QTreeWidget(this);
    dxTreeSourceFileInfo->setColumnCount(SourceColumnCount);
    dxTreeSourceFileInfo->setHeaderLabels({QString(), QStringLiteral("File Name"), QStringLiteral("File Size"),
                                           QStringLiteral("Duration"), QStringLiteral("Start Time"),
                                           QStringLiteral("End Time"), QStringLiteral("Cut Time")});
    dxTreeSourceFileInfo->hideColumn(colCheckStatus);
    dxTreeSourceFileInfo->setRootIsDecorated(false);
    dxTreeSourceFileInfo->setItemsExpandable(false);
    dxTreeSourceFileInfo->setSelectionMode(QAbstractItemView::ExtendedSelection);
    dxTreeSourceFileInfo->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dxTreeSourceFileInfo->header()->setSectionsMovable(false);
    dxTreeSourceFileInfo->setColumnWidth(colFileName, 300);

    cbbOutputFiletype = new QComboBox(this);
    cbbProfile = new QComboBox(this);
    btnOptions = new QPushButton(QStringLiteral("Options"), this);
    edtOutputFolder = new QLineEdit(QDir::homePath() + QStringLiteral("/sonabrix"), this);
    btnSelectOutputFolder = new QPushButton(QStringLiteral("Browse..."), this);
    chkShowOutputDirectory = new QCheckBox(QStringLiteral("Show output directory when done"), this);
    chkShowOutputDirectory->setChecked(true);
    chkShutdown = new QCheckBox(QStringLiteral("Shutdown computer when job is finished."), this);
    btnOpenFile = new QPushButton(QStringLiteral("Add Files"), this);
    btnRemove = new QPushButton(QStringLiteral("Remove"), this);
    btnClear = new QPushButton(QStringLiteral("Clear"), this);
    btnConvert = new QPushButton(QStringLiteral("Convert"), this);
    dlgOpenSourceFile.Filter = SourceFileDialogFilter();

    auto *listButtons = new QHBoxLayout;
    listButtons->addWidget(btnOpenFile);
    listButtons->addWidget(btnRemove);
    listButtons->addWidget(btnClear);
    listButtons->addStretch();
    auto *choices = new QGridLayout;
    choices->addWidget(new QLabel(QStringLiteral("Output Type:"), this), 0, 0);
    choices->addWidget(cbbOutputFiletype, 0, 1);
    choices->addWidget(new QLabel(QStringLiteral("Profile:"), this), 0, 2);
    choices->addWidget(cbbProfile, 0, 3);
    choices->addWidget(btnOptions, 0, 4);
    choices->addWidget(new QLabel(QStringLiteral("Output Folder:"), this), 1, 0);
    choices->addWidget(edtOutputFolder, 1, 1, 1, 3);
    choices->addWidget(btnSelectOutputFolder, 1, 4);
    choices->setColumnStretch(1, 1);
    choices->setColumnStretch(3, 1);
    auto *bottom = new QHBoxLayout;
    auto *checks = new QVBoxLayout;
    checks->addWidget(chkShowOutputDirectory);
    checks->addWidget(chkShutdown);
    bottom->addLayout(checks);
    bottom->addStretch();
    bottom->addWidget(btnConvert);
    btnConvert->setMinimumSize(120, 36);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(listButtons);
    layout->addWidget(dxTreeSourceFileInfo, 1);
    layout->addLayout(choices);
    layout->addLayout(bottom);

    // Choices react to the user's changes only, never to selections from code.
    connect(cbbOutputFiletype, &QComboBox::activated, this, ReportingErrors(this, &TFrmMainForm::cbbOutputFiletypeChange));
    connect(cbbProfile, &QComboBox::activated, this, ReportingErrors(this, &TFrmMainForm::cbbProfileChange));
    connect(btnOpenFile, &QPushButton::clicked, this, ReportingErrors(this, &TFrmMainForm::btnOpenFileClick));
    connect(btnRemove, &QPushButton::clicked, this, ReportingErrors(this, &TFrmMainForm::btnRemoveClick));
    connect(btnClear, &QPushButton::clicked, this, ReportingErrors(this, &TFrmMainForm::btnClearClick));
    connect(btnOptions, &QPushButton::clicked, this, ReportingErrors(this, &TFrmMainForm::btnOptionsClick));
    connect(btnSelectOutputFolder, &QPushButton::clicked, this, ReportingErrors(this, &TFrmMainForm::btnSelectOutputFolderClick));
    connect(btnConvert, &QPushButton::clicked, this, ReportingErrors(this, &TFrmMainForm::btnConvertClick));

    tmrClearMemory = new QTimer(this);
    tmrClearMemory->setInterval(1000);
    connect(tmrClearMemory, &QTimer::timeout, this, [] { CommonLib->TrimWorkingSet(); });
    tmrClearMemory->start();
}

TFrmMainForm::~TFrmMainForm()
{
    if (FrmMainForm == this)
        FrmMainForm = nullptr;
}

void TFrmMainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        RunReportingErrors([this] { FormShow(); });
    }
}

void TFrmMainForm::FormShow()
{
    CustomProc->FillAllCombos();
    CustomProc->ApplyProfile();
}

void TFrmMainForm::cbbOutputFiletypeChange()
{
    CustomProc->ApplyProfile();
}

void TFrmMainForm::cbbProfileChange()
{
    CustomProc->ApplyProfile();
}

void TFrmMainForm::btnOpenFileClick()
{
    const QStringList paths = CommonLib->ChooseSourceFiles(dlgOpenSourceFile, true, CustomProc->ReadInitDir());
    CustomProc->SaveInitDir();
    CommonLib->AddSourceFiles(dxTreeSourceFileInfo, paths);
}

void TFrmMainForm::btnRemoveClick()
{
    CommonLib->RemoveSelectedRows(dxTreeSourceFileInfo);
}

void TFrmMainForm::btnClearClick()
{
    CommonLib->ClearRows(dxTreeSourceFileInfo);
}

void TFrmMainForm::btnOptionsClick()
{
    frmOption->show();
    frmOption->raise();
}

void TFrmMainForm::btnSelectOutputFolderClick()
{
    edtOutputFolder->setText(CommonLib->ChooseOutputFolder(edtOutputFolder->text()));
}

void TFrmMainForm::btnConvertClick()
{
    CustomProc->ConvertFileList(dxTreeSourceFileInfo);
}

void TFrmMainForm::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TFrmMainForm::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    event->acceptProposedAction();
    RunReportingErrors([this, paths] { CommonLib->AddSourceFiles(dxTreeSourceFileInfo, paths); });
}
