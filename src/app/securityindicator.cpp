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
    // Letters rather than a padlock glyph, which many fonts lack.
    setText(description.isEmpty() ? QString() : QStringLiteral("TLS"));
    setToolTip(description.isEmpty() ? QString() : QStringLiteral("Encrypted session: ") + description);
    setVisible(!description.isEmpty());
}
