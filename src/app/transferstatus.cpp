#include "app/transferstatus.h"

#include "session/sessioncontroller.h"

#include <QMouseEvent>
#include <QStatusBar>

TTransferModePanel::TTransferModePanel(SessionController& session, QWidget* parent)
    : QLabel(parent)
    , m_session(session)
{
    setObjectName(QStringLiteral("pnlTransferMode"));
    setToolTip(QStringLiteral("Transfer Mode (click to change)"));
    setAlignment(Qt::AlignCenter);
    setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Binary")) + 12);
    setText(session.TransferModeText());
    connect(&session, &SessionController::transferModeChanged, this, [this] { setText(m_session.TransferModeText()); });
}

void TTransferModePanel::pnlTransferModeClick()
{
    const QString shown = text();
    if (shown == QLatin1String("Auto"))
        m_session.SetTransferMode(TransferModeChoice::Ascii);
    else if (shown == QLatin1String("ASCII"))
        m_session.SetTransferMode(TransferModeChoice::Binary);
    else
        m_session.SetTransferMode(TransferModeChoice::Auto);
}

void TTransferModePanel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        pnlTransferModeClick();
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

TransferStatus::TransferStatus(QStatusBar& bar, SessionController& session)
    : QObject(&bar)
{
    m_elapsed = new QLabel(&bar);
    m_elapsed->setObjectName(QStringLiteral("StatusElapsed"));
    m_remain = new QLabel(&bar);
    m_remain->setObjectName(QStringLiteral("StatusRemain"));
    const int clockWidth = m_elapsed->fontMetrics().horizontalAdvance(QStringLiteral("Elapsed: 00:00:00")) + 8;
    for (QLabel* panel : {m_elapsed, m_remain}) {
        panel->setMinimumWidth(clockWidth);
        bar.addWidget(panel);
        panel->hide();
    }
    m_mode = new TTransferModePanel(session, &bar);
    bar.addPermanentWidget(m_mode);
}

void TransferStatus::SetTransferLayout(bool on)
{
    m_layout = on;
    m_elapsed->setVisible(on);
    m_remain->setVisible(on);
    if (!on) {
        m_elapsed->clear();
        m_remain->clear();
    }
}
