#pragma once

#include <memory>
#include <stdexcept>

#include <QSet>
#include <QString>
#include <QStringList>

#include "PreviewGraph.h"
#include "Unit_Convert.h"

// A player for tests: loads whatever file is not listed as broken, plays
// nothing, and lets the test set its position and duration.
class TFakeGraph final : public TFilterGraph
{
public:
    enum class State { Stopped, Running, Paused };

    QSet<QString> Broken;
    bool ThrowOnRun = false;
    qint64 Position = 0;
    qint64 Duration = 60000;
    QString Loaded;
    State Now = State::Stopped;
    QList<qint64> Seeks;
    QStringList Renders;

    bool Active() const override { return m_active; }
    void SetActive(bool active) override { m_active = active; }
    void ClearGraph() override
    {
        Now = State::Stopped;
        Loaded.clear();
    }
    bool RenderFile(const QString &fileName) override
    {
        Renders << fileName;
        if (Broken.contains(fileName))
            return false;
        Loaded = fileName;
        Position = 0;
        return true;
    }
    void Run() override
    {
        if (ThrowOnRun)
            throw std::runtime_error("run failed");
        Now = State::Running;
    }
    void Pause() override { Now = State::Paused; }
    void Stop() override { Now = State::Stopped; }
    qint64 CurrentPositionMs() const override { return Position; }
    qint64 DurationMs() const override { return Loaded.isEmpty() ? 0 : Duration; }
    bool SetPositionMs(qint64 ms) override
    {
        if (Loaded.isEmpty())
            return false;
        Seeks << ms;
        Position = ms;
        return true;
    }

private:
    bool m_active = false;
};

// Gives the window a fake player in place of the real one; the window owns it.
inline TFakeGraph *InstallFakeGraph(TFrmMainForm &window)
{
    auto graph = std::make_unique<TFakeGraph>();
    TFakeGraph *installed = graph.get();
    window.SetFilterGraph(std::move(graph));
    return installed;
}
