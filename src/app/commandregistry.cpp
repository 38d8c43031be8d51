#include "app/commandregistry.h"

#include <QAction>
#include <QWidget>

CommandRegistry::CommandRegistry(QObject* parent)
    : QObject(parent)
{
}

QAction* CommandRegistry::insert(const QString& id, QAction* action, Rule rule)
{
    Q_ASSERT(!m_actions.contains(id));
    action->setObjectName(id);
    m_actions.insert(id, action);
    m_order << id;
    if (rule)
        m_rules.insert(id, std::move(rule));
    return action;
}

QAction* CommandRegistry::add(const QString& id, const QString& text, std::function<void()> handler, Rule rule)
{
    auto* action = new QAction(text, parent());
    if (handler)
        connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    return insert(id, action, std::move(rule));
}

QAction* CommandRegistry::addToggle(const QString& id, const QString& text, std::function<void(bool)> handler,
                                    Rule rule)
{
    auto* action = new QAction(text, parent());
    action->setCheckable(true);
    if (handler)
        connect(action, &QAction::triggered, this, [handler = std::move(handler)](bool on) { handler(on); });
    return insert(id, action, std::move(rule));
}

void CommandRegistry::remove(const QString& id)
{
    QAction* command = m_actions.take(id);
    m_rules.remove(id);
    m_order.removeAll(id);
    if (!command)
        return;
    // Out of every menu and window at once (its shortcut with it); deleted once whatever
    // is running now has returned.
    for (QObject* owner : command->associatedObjects()) {
        if (auto* widget = qobject_cast<QWidget*>(owner))
            widget->removeAction(command);
    }
    command->deleteLater();
}

QAction* CommandRegistry::action(const QString& id) const
{
    return m_actions.value(id, nullptr);
}

bool CommandRegistry::trigger(const QString& id)
{
    QAction* command = action(id);
    if (!command)
        return false;
    update();
    if (!command->isEnabled())
        return false;
    command->trigger();
    return true;
}

CommandContext CommandRegistry::context() const
{
    return m_source ? m_source() : CommandContext{};
}

void CommandRegistry::update()
{
    const CommandContext now = context();
    for (auto it = m_rules.cbegin(); it != m_rules.cend(); ++it) {
        if (QAction* command = m_actions.value(it.key()))
            command->setEnabled(it.value()(now));
    }
}
