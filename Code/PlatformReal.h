#pragma once

#include "PlatformLayer.h"

// The layer the running program uses: real dialogs, the desktop's handlers,
// the real power-off and real pauses. Only the executable links it.
class TRealPlatform final : public TPlatformLayer
{
public:
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
};
