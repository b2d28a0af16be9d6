#pragma once

#include <deque>
#include <functional>

#include <QList>
#include <QString>
#include <QStringList>

#include "PlatformLayer.h"

// A platform layer for tests: dialogs are answered in advance, actions on
// the machine are recorded, pauses are shortened.
class TFakePlatform final : public TPlatformLayer
{
public:
    struct Message
    {
        QString Caption;
        QString Text;
        MessageKind Kind;
    };

    // Answers queued by the test; when none is queued, questions answer No,
    // prompts are cancelled and dialogs are cancelled.
    std::deque<bool> YesNoAnswers;
    std::deque<QString> InputAnswers;     // a null QString cancels
    std::deque<QStringList> OpenFileAnswers;
    std::deque<QString> DirectoryAnswers;
    // Runs inside a question, before it is answered (for example to look at
    // the windows while a batch is waiting for the answer).
    std::function<void()> OnQuestion;

    QList<Message> Messages;
    QStringList Questions;
    QStringList Prompts;
    QStringList OpenDialogFolders;
    QStringList OpenDialogFilters;
    QStringList OpenedFolders;
    QStringList OpenedUrls;
    int PowerOffs = 0;
    int ProgramEnds = 0;
    QList<int> Pauses;
    // Runs inside every pause, as window events would (for example to press
    // Stop during a particular wait).
    std::function<void(int milliseconds)> OnPause;
    // A pause of this length is really waited (ms), whatever was asked.
    int PauseScale = 0;

    int MessageBox(const QString &caption, const QString &text, MessageKind kind) override;
    bool AskYesNo(const QString &caption, const QString &text) override;
    QString InputBox(const QString &caption, const QString &prompt, const QString &text) override;
    QStringList GetOpenFileNames(const QString &initialFolder, const QString &filter) override;
    QString GetExistingDirectory(const QString &title) override;
    void OpenFolder(const QString &folder) override;
    void OpenUrl(const QString &url) override;
    void PowerOff() override;
    void EndProgram() override;
    void Pause(int milliseconds) override;

    QStringList MessageTexts() const;
};

// The fake layer that the test program installed.
TFakePlatform &FakePlatform();
// Replaces the installed fake layer with a fresh one.
void ResetFakePlatform();
