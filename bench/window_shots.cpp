// Takes screenshots of the main window with five files listed and a video
// frame in its preview, of the options dialog and of the progress window
// during a real conversion, for a person to look at. Run it under a display
// server (bench/screenshots starts one with Xvfb):
//   window_shots CLIP OUTPUT-FOLDER ROWS-FOLDER [main-only]
#include <QApplication>
#include <QEventLoop>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include "FuncObjects.h"
#include "PlatformLayer.h"
#include "PreviewGraph.h"
#include "SegmentBar.h"
#include "Simple.h"
#include "Unit_CommonLib.h"
#include "Unit_Convert.h"
#include "Unit_Converting.h"
#include "Unit_Option.h"
#include "UnitCustomProc.h"

namespace {

// Pauses are kept short, so that the pictures come quickly.
class ShotPlatform final : public TQuietPlatform
{
public:
    void Pause(int milliseconds) override { QThread::msleep(static_cast<unsigned long>(std::min(milliseconds, 200))); }
};

void SaveScreen(const QString &path)
{
    QGuiApplication::primaryScreen()->grabWindow(0).save(path);
}

void SaveWindow(const QWidget &window, const QString &path)
{
    const QRect area = window.frameGeometry();
    QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path);
}

} // namespace

int main(int argc, char *argv[])
{
    TApplication application(argc, argv);
    if (argc < 3)
        return 2;
    const QString clip = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    SetPlatform(std::make_unique<ShotPlatform>());

    QTemporaryDir programFolder;
    QDir(programFolder.path()).mkpath(QStringLiteral("Config"));
    for (const char *file : {"evc.exe", "Res.dll", "Form.dll", "Help.chm"})
        QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/") + QLatin1String(file),
                    programFolder.filePath(QLatin1String(file)));
    TAppFunc::SetAppPathOverride(programFolder.path());

    TFrmMainForm mainForm;
    TfrmConverting progressWindow;
    TfrmOption optionsDialog(&mainForm);
    mainForm.edtOutputFolder->setText(programFolder.filePath(QStringLiteral("out")));
    mainForm.move(20, 20);
    mainForm.show();
    mainForm.cbbOutputFiletype->setCurrentIndex(2);
    emit mainForm.cbbOutputFiletype->activated(2);

    // The main window with five files, the second one trimmed and playing.
    const QString rowsFolder = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    const bool mainOnly = argc > 4 && QByteArray(argv[4]) == "main-only";
    const QString scale = QGuiApplication::primaryScreen()->devicePixelRatio() > 1 ? QStringLiteral("@2x") : QString();
    QStringList rows;
    for (QDirIterator it(rowsFolder, QDir::Files); it.hasNext();)
        rows << it.next();
    rows.sort();
    CommonLib->AddSourceFiles(mainForm.dxTreeSourceFileInfo, rows);
    if (mainForm.dxTreeSourceFileInfo->topLevelItemCount() > 1) {
        mainForm.dxTreeSourceFileInfo->setCurrentItem(mainForm.dxTreeSourceFileInfo->topLevelItem(1));
        mainForm.actDxTreeListOnClickExecute();
        mainForm.Panel1->SetLeftWidth(30);
        mainForm.Splitter1Moved();
        mainForm.Panel1->SetRightWidth(50);
        mainForm.Splitter2Moved();
        mainForm.dxTreeSourceFileInfoDblClick();
    }
    // Shoot once the clock has shown two seconds, paused so that picture and clock agree.
    QEventLoop settle;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &settle, [&] {
        if (mainForm.pnlCurTime->text() >= QStringLiteral("00:00:02") || !CustomProc->IsPlaying)
            settle.quit();
    });
    poll.start(50);
    QTimer::singleShot(20000, &settle, &QEventLoop::quit);
    settle.exec();
    mainForm.btnPauseClick();
    QTimer::singleShot(300, &settle, &QEventLoop::quit);
    settle.exec();
    SaveWindow(mainForm, output + QStringLiteral("/main") + scale + QStringLiteral(".png"));
    mainForm.RzBmpButton1Click();
    if (mainOnly)
        return 0;
    CommonLib->ClearRows(mainForm.dxTreeSourceFileInfo);


    QTimer::singleShot(800, [&] {
        optionsDialog.show();
        QTimer::singleShot(800, [&] {
            SaveScreen(output + QStringLiteral("/options.png"));
            optionsDialog.hide();
            CommonLib->AddSourceFiles(mainForm.dxTreeSourceFileInfo, {clip, clip + QStringLiteral(".second.avi")});
            // Two shots while the first file converts.
            QTimer::singleShot(1500, [&] { SaveScreen(output + QStringLiteral("/progress1.png")); });
            QTimer::singleShot(4000, [&] { SaveScreen(output + QStringLiteral("/progress2.png")); });
            CustomProc->ConvertFileList(mainForm.dxTreeSourceFileInfo);
            SaveScreen(output + QStringLiteral("/after.png"));
            QApplication::quit();
        });
    });
    return QApplication::exec();
}
