#include "Simple.h"

#include <exception>

#include "AppErrors.h"
#include "PlatformLayer.h"
#include "Unit_Convert.h"
#include "Unit_Converting.h"
#include "Unit_Option.h"

QString ApplicationTitle()
{
    return QStringLiteral("Sonabrix");
}

void RunReportingErrors(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const std::exception &error) {
        Platform().MessageBox(ApplicationTitle(), QString::fromStdString(error.what()),
                              TPlatformLayer::MessageKind::Error);
    }
}

TApplication::TApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(ApplicationTitle());
    setApplicationDisplayName(ApplicationTitle());
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    bool handled = false;
    RunReportingErrors([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

int StartSonabrix()
{
    TFrmMainForm mainForm;
    TfrmConverting progressWindow;
    TfrmOption optionsDialog(&mainForm);
    mainForm.show();
    return QApplication::exec();
}
