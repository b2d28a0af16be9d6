#pragma once

#include <functional>

#include <QApplication>

// The application title, the caption of every message box.
QString ApplicationTitle();

// Runs a piece of event handling; an error that escapes it is shown in the
// application's error box and the program goes on, as the framework's default
// error box does.
void RunReportingErrors(const std::function<void()> &handler);

// A window's handler, ready to connect: an error that escapes it is shown in
// the error box before it could unwind through the toolkit's own code.
template <typename Window>
auto ReportingErrors(Window *window, void (Window::*handler)())
{
    return [window, handler](auto &&...) { RunReportingErrors([window, handler] { (window->*handler)(); }); };
}

// The application object: as a last resort it reports errors that escape
// an event handler instead of letting them end the program.
class TApplication final : public QApplication
{
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// The files named on the program's command line, as a file manager's "open
// with" passes them (paths, relative to the current folder, or file URLs),
// made absolute.
QStringList StartupFiles(const QStringList &arguments);

class TFrmMainForm;

// Lists the files named on the command line exactly as dropped files are.
void OpenStartupFiles(TFrmMainForm &mainForm, const QStringList &arguments);

// Creates the main window, the progress window and the options dialog, in
// that order, shows the main window, lists the files given on the command
// line as dropped files are listed, and runs the message loop.
int StartSonabrix();
