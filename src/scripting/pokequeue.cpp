#include "scripting/pokequeue.h"

#include "scripting/scriptcommand.h"

PokeQueue::PokeQueue(CanRun canRunNow, Run run)
    : m_canRunNow(std::move(canRunNow))
    , m_run(std::move(run))
{
}

bool PokeQueue::IsImmediateText(const QString& text)
{
    const ParsedCommand parsed = ParseCommand(text, -1);
    return parsed.ok() && IsImmediate(parsed.instruction.command);
}

void PokeQueue::Arrive(const QString& text, Origin origin)
{
    if (IsImmediateText(text)) {
        m_run(text, origin);
        return;
    }
    m_waiting.push_back({text, origin});
    Poll();
}

void PokeQueue::Poll()
{
    // A command run from here may end at once and make its owner poll again: the outer loop
    // takes the next one.
    if (m_polling)
        return;
    struct Guard
    {
        bool& flag;
        ~Guard() { flag = false; }
    } guard{m_polling = true};
    while (!m_waiting.empty() && m_canRunNow()) {
        const Entry entry = m_waiting.front();
        m_waiting.pop_front();
        m_run(entry.text, entry.origin);
    }
}
