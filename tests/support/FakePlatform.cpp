#include "FakePlatform.h"

#include <QThread>

namespace {
TFakePlatform *installed = nullptr;
}

TFakePlatform &FakePlatform()
{
    return *installed;
}

void ResetFakePlatform()
{
    auto layer = std::make_unique<TFakePlatform>();
    installed = layer.get();
    SetPlatform(std::move(layer));
}

int TFakePlatform::MessageBox(const QString &caption, const QString &text, MessageKind kind)
{
    Messages.append({caption, text, kind});
    return 1;
}

bool TFakePlatform::AskYesNo(const QString &, const QString &text)
{
    Questions << text;
    if (OnQuestion)
        OnQuestion();
    if (YesNoAnswers.empty())
        return false;
    const bool answer = YesNoAnswers.front();
    YesNoAnswers.pop_front();
    return answer;
}

QString TFakePlatform::InputBox(const QString &, const QString &prompt, const QString &text)
{
    Prompts << prompt + QStringLiteral(" [") + text + QLatin1Char(']');
    if (InputAnswers.empty())
        return text;
    const QString answer = InputAnswers.front();
    InputAnswers.pop_front();
    return answer.isNull() ? text : answer;
}

QStringList TFakePlatform::GetOpenFileNames(const QString &initialFolder, const QString &filter)
{
    OpenDialogFolders << initialFolder;
    OpenDialogFilters << filter;
    if (OpenFileAnswers.empty())
        return {};
    const QStringList answer = OpenFileAnswers.front();
    OpenFileAnswers.pop_front();
    return answer;
}

QString TFakePlatform::GetExistingDirectory(const QString &)
{
    if (DirectoryAnswers.empty())
        return {};
    const QString answer = DirectoryAnswers.front();
    DirectoryAnswers.pop_front();
    return answer;
}

void TFakePlatform::OpenFolder(const QString &folder) { OpenedFolders << folder; }
void TFakePlatform::OpenUrl(const QString &url) { OpenedUrls << url; }
void TFakePlatform::PowerOff() { ++PowerOffs; }
void TFakePlatform::EndProgram() { ++ProgramEnds; }

void TFakePlatform::Pause(int milliseconds)
{
    Pauses << milliseconds;
    if (OnPause)
        OnPause(milliseconds);
    if (PauseScale > 0)
        QThread::msleep(static_cast<unsigned long>(PauseScale));
}

QStringList TFakePlatform::MessageTexts() const
{
    QStringList texts;
    for (const Message &message : Messages)
        texts << message.Text;
    return texts;
}
