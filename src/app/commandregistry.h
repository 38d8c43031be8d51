#pragma once

#include "session/sessionstate.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <functional>

class QAction;

// What a command's enabled rule looks at.
struct CommandContext
{
    SessionState state = SessionState::NotConnected;
    bool remoteFocused = false;  // the remote view is the one the commands act on
    int selected = 0;            // rows selected in that view, the parent entry left out
    bool folderSelected = false; // a directory among them
    bool serverText = false;     // the server box holds something
    bool siteShown = false;      // the connection came from a site of the database
    bool connected = false;      // the engine's control connection is up
    int queueEntries = 0;        // entries in the transfer queue
    int queueSelected = 0;       // of them selected in the queue list

    bool transferRunning() const { return state == SessionState::Downloading || state == SessionState::Uploading; }
    bool idle() const { return state == SessionState::Idle; }
};

// Every command of the main window is one QAction with an id (its control name,
// such as "mnuRefresh") and its enabled rule in this one place. Menus, the toolbar and
// shortcuts show the actions; scripts and the D-Bus link trigger them by id.
class CommandRegistry : public QObject
{
    Q_OBJECT

public:
    using Rule = std::function<bool(const CommandContext&)>;

    explicit CommandRegistry(QObject* parent);

    // A command; without a rule it is always enabled (or managed by its owner).
    QAction* add(const QString& id, const QString& text, std::function<void()> handler, Rule rule = {});
    // A check-mark command; the handler receives the new state.
    QAction* addToggle(const QString& id, const QString& text, std::function<void(bool)> handler, Rule rule = {});

    // Takes a command out (the entries of a rebuilt menu); its action goes with it.
    void remove(const QString& id);

    QAction* action(const QString& id) const;
    QStringList ids() const { return m_order; }
    // Runs a command when it exists and is enabled now; false otherwise.
    bool trigger(const QString& id);

    // Where update() reads the context from.
    void setContextSource(std::function<CommandContext()> source) { m_source = std::move(source); }
    CommandContext context() const;
    // Applies every rule to the current context.
    void update();

private:
    QAction* insert(const QString& id, QAction* action, Rule rule);

    QHash<QString, QAction*> m_actions;
    QHash<QString, Rule> m_rules;
    QStringList m_order;
    std::function<CommandContext()> m_source;
};
