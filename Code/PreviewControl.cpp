// The preview's operations of the conversion controller and the common
// services object. They drive the main window's player and its display.
#include <QLabel>
#include <QProgressBar>

#include "AppErrors.h"
#include "FuncObjects.h"
#include "PreviewGraph.h"
#include "SegmentMath.h"
#include "Unit_CommonLib.h"
#include "Unit_Convert.h"
#include "UnitCustomProc.h"

void TCustomProc::PlayVideoFile(const QString &fileName)
{
    TFrmMainForm *form = FrmMainForm;
    if (!form || !form->FilterGraph)
        return;
    TFilterGraph &graph = *form->FilterGraph;
    form->dstrckbrMainform->SetTicking(false);
    form->LastTickSeconds = -1;
    graph.SetActive(false);
    graph.ClearGraph();
    graph.SetActive(true);
    bool rendered = false;
    try {
        rendered = graph.RenderFile(fileName);
        CommonLib->PlayingFile = fileName;
    } catch (const std::exception &) {
        CommonLib->PlayingFile.clear();
    }
    if (!rendered) {
        AppFunc->WriteLog(QStringLiteral("Playing Video error."));
        graph.ClearGraph();
        form->panLogo->show();
        return;
    }
    try {
        graph.Run();
        IsPlaying = true;
        form->panLogo->hide();
        form->dstrckbrMainform->SetTicking(true);
    } catch (const std::exception &) {
        form->panLogo->show();
    }
}

void TCustomProc::ResumeVideo()
{
    TFrmMainForm *form = FrmMainForm;
    if (!form || !form->FilterGraph || !form->FilterGraph->Active())
        return;
    try {
        form->FilterGraph->Run();
        IsPlaying = true;
        form->panLogo->hide();
        form->LastTickSeconds = -1;
        form->dstrckbrMainform->SetTicking(true);
    } catch (const std::exception &) {
        form->panLogo->show();
    }
}

void TCustomProc::PauseVideo()
{
    TFrmMainForm *form = FrmMainForm;
    if (!form || !form->FilterGraph || !form->FilterGraph->Active())
        return;
    try {
        form->FilterGraph->Pause();
        IsPlaying = false;
        form->dstrckbrMainform->SetTicking(false);
        form->LastTickSeconds = -1;
        form->panLogo->hide();
    } catch (const std::exception &) {
        form->panLogo->show();
    }
}

void TCustomProc::StopVideo()
{
    TFrmMainForm *form = FrmMainForm;
    if (!form || !form->FilterGraph || !form->FilterGraph->Active())
        return;
    form->dstrckbrMainform->SetTicking(false);
    form->LastTickSeconds = -1;
    try {
        TFilterGraph &graph = *form->FilterGraph;
        graph.Stop();
        graph.SetActive(false);
        graph.ClearGraph();
        CommonLib->PlayingFile.clear();
        form->pnlCurTime->setText(SegmentMath::ClockText(0));
        IsPlaying = false;
        form->panLogo->show();
        form->dstrckbrMainform->Position = 0;
        form->pbPlayState->setValue(0);
    } catch (const std::exception &) {
        form->panLogo->show();
        form->pbPlayState->setValue(0);
    }
}

void TCommonLib::SeekVideo(TFilterGraph *graph, qint64 ms) const
{
    if (!graph || !graph->Active() || !graph->SetPositionMs(ms))
        throw EAppError(QStringLiteral("The preview has no file to move in."));
    if (FrmMainForm)
        FrmMainForm->LastTickSeconds = -1;
}
