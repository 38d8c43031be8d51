// The "&Preferences" submenu: preferences, ASCII and rename extension lists.
#include "app/mainprefs.h"

#include "app/commandregistry.h"
#include "app/filepanel.h"
#include "app/mainwindow.h"
#include "controls/orvoview.h"
#include "dialogs/asciiextensions.h"
#include "dialogs/preferenceswindow.h"
#include "dialogs/renameextensions.h"
#include "engine/ftp.h"
#include "platform/core/inifile.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"

#include <QAction>
#include <QMenu>
#include <QStyle>

MainPreferences::MainPreferences(TfrmMain& window)
    : QObject(&window)
    , m_window(window)
{
}

void MainPreferences::buildCommands()
{
    CommandRegistry& c = *m_window.Commands;
    QAction* general = c.add(QStringLiteral("mnuGeneral"), QStringLiteral("&General"), [this] { ShowPreferences(); });
    general->setIconText(QStringLiteral("Preferences"));
    general->setIcon(m_window.style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    c.add(QStringLiteral("mnuAsciiExtensions"), QStringLiteral("&ASCII Extensions"), [this] { ShowAsciiExtensions(); });
    c.add(QStringLiteral("mnuRenameExtensions"), QStringLiteral("&Rename Extensions"), [this] { ShowRenameExtensions(); });
}

QMenu* MainPreferences::BuildMenu(QWidget* parent)
{
    auto* menu = new QMenu(QStringLiteral("&Preferences"), parent);
    menu->setObjectName(QStringLiteral("mnuPreferences"));
    for (const char* id : {"mnuGeneral", "mnuCustomCommands", "mnuAsciiExtensions", "mnuRenameExtensions"}) {
        if (QAction* command = m_window.command(QString::fromLatin1(id)))
            menu->addAction(command);
    }
    return menu;
}

PreferencesValues MainPreferences::CurrentValues() const
{
    const TFtp& ftp = m_window.Session->Ftp();
    ViewSettings engine;
    engine.ProxyHost = ftp.ProxyHost;
    engine.ProxyPort = ftp.ProxyPort;
    engine.ProxyUser = ftp.ProxyUser;
    engine.ProxyPass = ftp.ProxyPass;
    engine.LogFile = ftp.LogFile;
    const SettingsStore& settings = *m_window.Settings;
    return preferencesFromSettings(*settings.file().read(), settings.prefs(), engine, ftp.NoProxyHost);
}

TfrmPref* MainPreferences::ShowPreferences()
{
    auto* dialog = new TfrmPref(*m_window.Settings, CurrentValues(), m_window.LocalPanel->View()->font(), &m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

TfrmASCII* MainPreferences::ShowAsciiExtensions()
{
    auto* dialog = new TfrmASCII(*m_window.Settings, &m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

TfrmRename* MainPreferences::ShowRenameExtensions()
{
    auto* dialog = new TfrmRename(*m_window.Settings, &m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}
