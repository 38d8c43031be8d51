#pragma once

#include "session/connectionrequest.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QToolButton;

// The quick-connect bar: the server box with its history, and the user, password and port
// boxes on the panel "Sh&ow Prompts" toggles. It shows what the session connects to and
// hands out what the user typed; it decides nothing about connecting.
class QuickConnectBar : public QWidget
{
    Q_OBJECT

public:
    explicit QuickConnectBar(QWidget* parent = nullptr);

    QWidget* PanelServer = nullptr;
    QToolButton* btnFTPServer = nullptr;  // "FTP Server": the group menu drops from it
    QComboBox* txtFTPServer = nullptr;
    QWidget* PanelInfo = nullptr;
    QLineEdit* txtUser = nullptr;
    QLineEdit* txtPass = nullptr;
    QLineEdit* txtPort = nullptr;

    QString ServerText() const;
    QuickConnectBoxes Boxes() const;
    // Puts a text into the server box as the program (not the user) does: no edit signal.
    void SetServerText(const QString& text);
    // Shows the connection the session applied: its host, user, password and port.
    void Show(const ConnectionRequest& request);
    // The encryption of the connection shown, until the user edits the server box: connecting
    // again from the boxes after an "ftps://" or "ftpes://" address stays encrypted.
    TFtpEncryption ShownEncryption() const { return m_shownEncryption; }

    // --- History: at most 15 items, newest first ---------------------------------------------
    QStringList History() const;
    void SetHistory(const QStringList& items);
    // Puts `item` on top unless it is there already; the 15th item goes when full.
    void AddHistory(const QString& item);
    void ClearHistory();

signals:
    // The user edited the server box (the user and password boxes were emptied then).
    void serverEdited(const QString& text);
    // Enter in any of the four boxes.
    void enterPressed();

private:
    void onServerEdited(const QString& text);

    bool m_quiet = false;  // the program is changing the boxes
    TFtpEncryption m_shownEncryption = ftpeNone;
};
