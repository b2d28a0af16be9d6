#pragma once

#include <memory>

#include <QString>
#include <QStringList>

class QWidget;

// Everything that waits for a person or acts on the machine outside the
// program's own files goes through this one layer: message boxes and
// questions, the text prompt, the file and folder dialogs, opening folders
// and links, powering off, and the fixed pauses. The program installs the
// real layer at start; tests install one that answers in advance and records.
class TPlatformLayer
{
public:
    enum class MessageKind { Error = 0, Warning = 1, Question = 2, Information = 3 };

    virtual ~TPlatformLayer() = default;

    // A modal box with an OK button; returns the box's answer (non-zero for OK).
    virtual int MessageBox(const QString &caption, const QString &text, MessageKind kind) = 0;
    // A modal Yes/No question without icon; true for Yes.
    virtual bool AskYesNo(const QString &caption, const QString &text) = 0;
    // A modal text prompt; returns the edited text, or the given text when cancelled.
    virtual QString InputBox(const QString &caption, const QString &prompt, const QString &text) = 0;
    // The open dialog for several files; an empty list when cancelled.
    // The filter is given in the program's own "Label|patterns|..." form.
    virtual QStringList GetOpenFileNames(const QString &initialFolder, const QString &filter) = 0;
    // The folder browser; an empty text when cancelled.
    virtual QString GetExistingDirectory(const QString &title) = 0;
    // Opens a folder in the desktop's file manager.
    virtual void OpenFolder(const QString &folder) = 0;
    // Opens a web address, a mail link or a help file with the desktop's handler.
    virtual void OpenUrl(const QString &url) = 0;
    // Powers the machine off.
    virtual void PowerOff() = 0;
    // Ends the program at once: no window's close handler runs.
    virtual void EndProgram() = 0;
    // Waits a fixed time while the windows go on answering: handlers (Stop,
    // close) may run inside it.
    virtual void Pause(int milliseconds) = 0;
};

// A layer for runs with nobody at the screen: every box is answered OK,
// every question No, every dialog cancelled; nothing outside the program is
// opened or switched off, and pauses are not waited.
class TQuietPlatform : public TPlatformLayer
{
public:
    int MessageBox(const QString &, const QString &, MessageKind) override { return 1; }
    bool AskYesNo(const QString &, const QString &) override { return false; }
    QString InputBox(const QString &, const QString &, const QString &text) override { return text; }
    QStringList GetOpenFileNames(const QString &, const QString &) override { return {}; }
    QString GetExistingDirectory(const QString &) override { return {}; }
    void OpenFolder(const QString &) override {}
    void OpenUrl(const QString &) override {}
    void PowerOff() override {}
    void EndProgram() override {}
    void Pause(int) override {}
};

// The layer in use. It is installed once at start, before any window exists.
TPlatformLayer &Platform();
void SetPlatform(std::unique_ptr<TPlatformLayer> layer);

// Turns the program's "Label|patterns|Label|patterns" filter into the form of
// Qt's file dialog ("Label (patterns);;..."), keeping each label as it stands.
QString DialogFilterToQt(const QString &filter);
