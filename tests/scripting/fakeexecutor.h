#pragma once

#include "scripting/scriptrunner.h"

#include <QSet>
#include <QStringList>
#include <functional>
#include <map>
#include <vector>

// An executor that records what it is asked to run. By default every command succeeds before
// Execute returns; commands can be made to fail or to wait for the test to complete them.
class FakeExecutor : public ScriptExecutor
{
public:
    enum class Mode { Succeed, Fail, Wait };

    std::map<ScriptCommand, Mode> modes;
    QSet<QString> localFiles;
    QSet<QString> remoteFiles;
    bool busy = false;
    QStringList executed;                       // compiled texts, in order
    std::vector<ScriptCompletion> waiting;      // completions of Wait commands, oldest first
    std::function<void(const ScriptInstruction&)> onExecute;

    void Execute(const ScriptInstruction& instruction, ScriptCompletion done) override
    {
        executed << instruction.CompiledText();
        if (onExecute)
            onExecute(instruction);
        const auto mode = modes.find(instruction.command);
        switch (mode == modes.end() ? Mode::Succeed : mode->second) {
        case Mode::Succeed:
            done.Succeed();
            break;
        case Mode::Fail:
            done.Fail(QStringLiteral("ERROR: refused"));
            break;
        case Mode::Wait:
            waiting.push_back(done);
            break;
        }
    }

    bool Exists(ScriptSide side, const QString& name) override
    {
        return side == ScriptSide::Remote ? remoteFiles.contains(name) : localFiles.contains(name);
    }

    bool SessionBusy() const override { return busy; }

    QString LocalPath(const QString& name) const override
    {
        return name.startsWith(QLatin1Char('/')) ? name : localDir + name;
    }

    QString localDir = QStringLiteral("/");

    // Completes the oldest waiting command.
    void completeOldest(bool ok = true)
    {
        ScriptCompletion done = waiting.front();
        waiting.erase(waiting.begin());
        ok ? done.Succeed() : done.Fail(QStringLiteral("ERROR: failed"));
    }
};
