#include "app/securityindicator.h"

#include "session/sessioncontroller.h"

TSecurityIndicator::TSecurityIndicator(SessionController& session, QWidget* parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("SecurityIndicator"));
    setVisible(false);
    connect(&session, &SessionController::securityChanged, this, &TSecurityIndicator::show);
}

void TSecurityIndicator::show(const QString& description)
{
    m_description = description;
    // U+1F512 (padlock) where the font has it; the letters say it either way.
    setText(description.isEmpty() ? QString() : QStringLiteral("\U0001F512 TLS"));
    setToolTip(description.isEmpty() ? QString() : QStringLiteral("Encrypted session: ") + description);
    setVisible(!description.isEmpty());
}
