// The custom commands of the main window: submenu, shortcuts, editing window, runner.
#include "app/maincustom.h"

#include "app/commandregistry.h"
#include "app/filepanel.h"
#include "app/mainwindow.h"
#include "dialogs/customcommandwindow.h"
#include "platform/core/inifile.h"
#include "session/customcommands.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"

#include <QAction>
#include <QMenu>

MainCustomCommands::MainCustomCommands(TfrmMain& window)
    : QObject(&window)
    , m_window(window)
{
    Menu = new QMenu(QStringLiteral("Custom Commands"), &window);
    Menu->setObjectName(QStringLiteral("mnuCustom"));
    Runner = new CustomCommandRunner(*window.Session, this);
}

void MainCustomCommands::buildCommands()
{
    m_window.Commands->add(QStringLiteral("mnuCustomCommands"), QStringLiteral("&Custom Commands"),
                           [this] { ShowEditor(); });
    BuildMenu();
}

void MainCustomCommands::BuildMenu()
{
    Entries = readCustomCommands(*m_window.Settings->file().read());
    rebuildEntries();
}

void MainCustomCommands::rebuildEntries()
{
    CommandRegistry& registry = *m_window.Commands;
    for (int n = 1; n <= m_registered; ++n)
        registry.remove(QString::fromLatin1(EntryPrefix) + QString::number(n));
    Menu->clear();
    m_registered = 0;
    const CommandRegistry::Rule idle = [](const CommandContext& x) { return x.idle(); };
    for (int i = 0; i < Entries.size(); ++i) {
        const CustomCommand& entry = Entries[i];
        QAction* action = registry.add(QString::fromLatin1(EntryPrefix) + QString::number(i + 1), entry.caption,
                                       [this, i] { Run(i); }, idle);
        action->setData(entry.command);
        const QKeySequence shortcut = TfrmCustom::shortcutFor(entry.key());
        if (!shortcut.isEmpty()) {
            action->setShortcut(shortcut);
            m_window.addAction(action);  // the shortcut works with the menu closed
        }
        Menu->addAction(action);
        m_registered = i + 1;
    }
    Menu->menuAction()->setEnabled(!Entries.isEmpty());
    registry.update();
}

TfrmCustom* MainCustomCommands::ShowEditor()
{
    auto* dialog = new TfrmCustom(Entries, m_window.Settings->file(),
                                  [this](const QKeySequence& sequence) { return ShortcutOwner(sequence); }, &m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The window has written the list when it finishes (a failed write was reported): the
    // submenu shows the list as edited.
    connect(dialog, &QDialog::finished, this, &MainCustomCommands::rebuildEntries);
    dialog->open();
    return dialog;
}

void MainCustomCommands::Run(int index)
{
    if (index < 0 || index >= Entries.size())
        return;
    QStringList names;
    for (const FileEntry& entry : m_window.RemotePanel->SelectedEntries()) {
        if (!entry.isParent())
            names << entry.name;
    }
    Runner->Run(Entries[index].command, names);
    m_window.Commands->update();
}

QString MainCustomCommands::ShortcutOwner(const QKeySequence& sequence) const
{
    const CommandRegistry& registry = *m_window.Commands;
    for (const QString& id : registry.ids()) {
        if (id.startsWith(QLatin1String(EntryPrefix)) && id != QLatin1String("mnuCustomCommands"))
            continue;
        const QAction* action = registry.action(id);
        if (action && action->shortcuts().contains(sequence))
            return action->text().remove(QLatin1Char('&'));
    }
    return {};
}
