#include "dialogs/checkrange.h"

#include "platform/core/prompt.h"

#include <QGuiApplication>

std::optional<QString> rangeProblem(const QString& text, qint64 low, qint64 high)
{
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (ok && value >= low && value <= high)
        return std::nullopt;
    return QStringLiteral("Value must be in the range %1-%2").arg(low).arg(high);
}

bool CheckRange(const QString& text, qint64 low, qint64 high)
{
    const std::optional<QString> problem = rangeProblem(text, low, high);
    if (!problem)
        return true;
    prompts().messageBox(*problem, QGuiApplication::applicationDisplayName(), Prompt::Icon::Error, Prompt::Ok);
    return false;
}
