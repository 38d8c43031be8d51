#pragma once

#include <QLabel>

class QStatusBar;
class SessionController;

// The transfer-mode panel of the status bar (pnlTransferMode): shows "Auto", "ASCII" or
// "Binary" and changes it on a click, Auto → ASCII → Binary → Auto.
class TTransferModePanel : public QLabel
{
    Q_OBJECT

public:
    TTransferModePanel(SessionController& session, QWidget* parent = nullptr);
    void pnlTransferModeClick();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    SessionController& m_session;
};

// The status bar's parts that only a transfer uses: "Elapsed: " (panel 2) and "Remain: "
// (panel 3), shown in the transfer layout, and the transfer-mode panel, always there.
class TransferStatus : public QObject
{
    Q_OBJECT

public:
    TransferStatus(QStatusBar& bar, SessionController& session);

    QLabel* Elapsed() const { return m_elapsed; }
    QLabel* Remain() const { return m_remain; }
    TTransferModePanel* ModePanel() const { return m_mode; }
    bool TransferLayout() const { return m_layout; }
    void SetTransferLayout(bool on);

private:
    QLabel* m_elapsed = nullptr;
    QLabel* m_remain = nullptr;
    TTransferModePanel* m_mode = nullptr;
    bool m_layout = false;
};
