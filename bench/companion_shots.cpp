// Takes screenshots of the splash window and of the About box with the built
// companion libraries, for a person to look at. Run it under a display server
// (bench/screenshots starts one with Xvfb):
//   companion_shots PROGRAM-FOLDER OUTPUT-FOLDER
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include "FlashForm.h"
#include "FuncObjects.h"
#include "PlatformLayer.h"
#include "Simple.h"

namespace {

// Pauses are waited, so that the splash paints as it does at start.
class ShotPlatform final : public TQuietPlatform
{
public:
    void Pause(int milliseconds) override { QThread::msleep(static_cast<unsigned long>(milliseconds)); }
};

void SaveScreen(const QString &path)
{
    QGuiApplication::primaryScreen()->grabWindow(0).save(path);
}

} // namespace

int main(int argc, char *argv[])
{
    TApplication application(argc, argv);
    if (argc < 3)
        return 2;
    const QString programFolder = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    SetPlatform(std::make_unique<ShotPlatform>());
    TAppFunc::SetAppPathOverride(programFolder);
    CreateFuncObjects();
    if (!CheckRequiredFiles())
        return 1;

    // The splash on its real timers: one shot while it waits for its ticks.
    QLabel title;
    QTimer::singleShot(1200, [&] { SaveScreen(output + QStringLiteral("/splash.png")); });
    ShowSplash(nullptr, &title);

    // The About box is modal; it is photographed and closed from its own loop.
    QTimer::singleShot(1000, [&] {
        SaveScreen(output + QStringLiteral("/about.png"));
        if (QWidget *box = QApplication::activeModalWidget())
            box->close();
    });
    ShowAboutBox();
    return title.text().isEmpty() ? 1 : 0;
}
