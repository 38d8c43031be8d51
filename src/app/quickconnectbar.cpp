#include "app/quickconnectbar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace {

constexpr int HistoryLimit = 15;

}  // namespace

QuickConnectBar::QuickConnectBar(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    PanelServer = new QWidget(this);
    auto* serverLayout = new QHBoxLayout(PanelServer);
    serverLayout->setContentsMargins(0, 0, 0, 0);
    txtFTPServer = new QComboBox(PanelServer);
    txtFTPServer->setObjectName(QStringLiteral("txtFTPServer"));
    txtFTPServer->setEditable(true);
    txtFTPServer->setInsertPolicy(QComboBox::NoInsert);
    txtFTPServer->setMaxCount(HistoryLimit);
    txtFTPServer->lineEdit()->setPlaceholderText(QStringLiteral("IP:<user>:<pass>:<port>"));
    txtFTPServer->setToolTip(QStringLiteral("IP:<user>:<pass>:<port>"));
    btnFTPServer = new QToolButton(PanelServer);
    btnFTPServer->setObjectName(QStringLiteral("btnFTPServer"));
    btnFTPServer->setText(QStringLiteral("FTP Server"));
    btnFTPServer->setToolTip(QStringLiteral("Click for site list"));
    btnFTPServer->setAutoRaise(true);
    btnFTPServer->setPopupMode(QToolButton::InstantPopup);
    serverLayout->addWidget(btnFTPServer);
    serverLayout->addWidget(txtFTPServer, 1);
    layout->addWidget(PanelServer, 3);

    PanelInfo = new QWidget(this);
    auto* infoLayout = new QHBoxLayout(PanelInfo);
    infoLayout->setContentsMargins(0, 0, 0, 0);
    txtUser = new QLineEdit(PanelInfo);
    txtUser->setObjectName(QStringLiteral("txtUser"));
    txtPass = new QLineEdit(PanelInfo);
    txtPass->setObjectName(QStringLiteral("txtPass"));
    txtPass->setEchoMode(QLineEdit::Password);
    txtPort = new QLineEdit(QStringLiteral("21"), PanelInfo);
    txtPort->setObjectName(QStringLiteral("txtPort"));
    txtPort->setMaximumWidth(70);
    infoLayout->addWidget(new QLabel(QStringLiteral("User"), PanelInfo));
    infoLayout->addWidget(txtUser, 1);
    infoLayout->addWidget(new QLabel(QStringLiteral("Password"), PanelInfo));
    infoLayout->addWidget(txtPass, 1);
    infoLayout->addWidget(new QLabel(QStringLiteral("Port"), PanelInfo));
    infoLayout->addWidget(txtPort);
    layout->addWidget(PanelInfo, 4);

    connect(txtFTPServer, &QComboBox::editTextChanged, this, &QuickConnectBar::onServerEdited);
    for (QLineEdit* edit : {txtFTPServer->lineEdit(), txtUser, txtPass, txtPort})
        connect(edit, &QLineEdit::returnPressed, this, &QuickConnectBar::enterPressed);
}

void QuickConnectBar::onServerEdited(const QString& text)
{
    if (m_quiet)
        return;
    // A new host starts with a fresh login (and plain FTP unless it names a scheme).
    m_shownEncryption = ftpeNone;
    txtUser->clear();
    txtPass->clear();
    txtPort->setText(QStringLiteral("21"));
    emit serverEdited(text);
}

QString QuickConnectBar::ServerText() const
{
    return txtFTPServer->currentText();
}

QuickConnectBoxes QuickConnectBar::Boxes() const
{
    return {txtUser->text(), txtPass->text(), txtPort->text()};
}

void QuickConnectBar::SetServerText(const QString& text)
{
    m_quiet = true;
    txtFTPServer->setEditText(text);
    m_quiet = false;
}

void QuickConnectBar::Show(const ConnectionRequest& request)
{
    // An IPv6 host in brackets, so the box reads back as the same host and port.
    SetServerText(request.host.contains(QLatin1Char(':')) ? QLatin1Char('[') + request.host + QLatin1Char(']')
                                                          : request.host);
    txtUser->setText(request.user);
    txtPass->setText(request.password);
    txtPort->setText(request.port);
    m_shownEncryption = request.encryption;
}

QStringList QuickConnectBar::History() const
{
    QStringList items;
    for (int i = 0; i < txtFTPServer->count(); ++i)
        items << txtFTPServer->itemText(i);
    return items;
}

void QuickConnectBar::SetHistory(const QStringList& items)
{
    const QString text = ServerText();
    m_quiet = true;
    txtFTPServer->clear();
    txtFTPServer->addItems(items.mid(0, HistoryLimit));
    txtFTPServer->setCurrentIndex(-1);
    txtFTPServer->setEditText(text);
    m_quiet = false;
}

void QuickConnectBar::AddHistory(const QString& item)
{
    if (txtFTPServer->findText(item, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0)
        return;
    const QString text = ServerText();
    m_quiet = true;
    if (txtFTPServer->count() >= HistoryLimit)
        txtFTPServer->removeItem(txtFTPServer->count() - 1);
    txtFTPServer->insertItem(0, item);
    txtFTPServer->setEditText(text);
    m_quiet = false;
}

void QuickConnectBar::ClearHistory()
{
    SetHistory({});
}
