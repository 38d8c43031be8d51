#pragma once

#include <QLabel>

class SessionController;

// The status bar's sign that the session is encrypted: "TLS" while the control
// connection runs over TLS (its tooltip names protocol and cipher); empty otherwise.
class TSecurityIndicator : public QLabel
{
    Q_OBJECT

public:
    TSecurityIndicator(SessionController& session, QWidget* parent = nullptr);
    // The protocol and cipher shown, empty when the session is not encrypted.
    const QString& Description() const { return m_description; }

private:
    void show(const QString& description);

    QString m_description;
};
