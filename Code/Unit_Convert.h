#pragma once

#include <QWidget>

#include "Unit_CommonLib.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeWidget;

// The main window: the source list, the output type and quality choices, the
// output folder and the after-job actions. It holds the choices that a
// conversion reads; its handlers hand over to the service objects.
class TFrmMainForm final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFrmMainForm)

public:
    explicit TFrmMainForm(QWidget *parent = nullptr);
    ~TFrmMainForm() override;

    QComboBox *cbbOutputFiletype = nullptr;
    QComboBox *cbbProfile = nullptr;
    QLineEdit *edtOutputFolder = nullptr;
    QCheckBox *chkShutdown = nullptr;
    QCheckBox *chkShowOutputDirectory = nullptr;
    QPushButton *btnOptions = nullptr;
    QPushButton *btnOpenFile = nullptr;
    QPushButton *btnRemove = nullptr;
    QPushButton *btnClear = nullptr;
    QPushButton *btnSelectOutputFolder = nullptr;
    QPushButton *btnConvert = nullptr;
    QTreeWidget *dxTreeSourceFileInfo = nullptr;
    QTimer *tmrClearMemory = nullptr;
    TOpenDialog dlgOpenSourceFile;

    void FormShow();
    void cbbOutputFiletypeChange();
    void cbbProfileChange();
    void btnOpenFileClick();
    void btnRemoveClick();
    void btnClearClick();
    void btnOptionsClick();
    void btnSelectOutputFolderClick();
    void btnConvertClick();

protected:
    void showEvent(QShowEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool m_shownOnce = false;
};

// The program-wide main window.
extern TFrmMainForm *FrmMainForm;
