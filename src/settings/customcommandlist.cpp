#include "settings/customcommandlist.h"

#include "platform/core/inidocument.h"

namespace {

const QString Section = QStringLiteral("Commands");

QString keyName(char prefix, int n)
{
    return QLatin1Char(prefix) + QString::number(n);
}

}  // namespace

QChar CustomCommand::key() const
{
    const QString text = shortcutText.trimmed();
    if (text.isEmpty())
        return {};
    return text.back().toUpper();
}

QList<CustomCommand> readCustomCommands(const IniDocument& doc)
{
    QList<CustomCommand> commands;
    for (int n = 1;; ++n) {
        const QString caption = doc.readString(Section, keyName('c', n));
        if (caption.isEmpty())
            break;
        commands.append({caption, doc.readString(Section, keyName('p', n)), doc.readString(Section, keyName('k', n))});
    }
    return commands;
}

void writeCustomCommands(IniDocument& doc, const QList<CustomCommand>& commands)
{
    doc.eraseSection(Section);
    int n = 0;
    for (const CustomCommand& command : commands) {
        ++n;
        doc.writeString(Section, keyName('c', n), command.caption);
        doc.writeString(Section, keyName('p', n), command.command);
        doc.writeString(Section, keyName('k', n), command.shortcutText);
    }
}
