#include "app/messagewindow.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TMessageWindow::TMessageWindow(const QString& title, const QStringList& lines, QWidget* parent)
    : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    m_text = new QPlainTextEdit(this);
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setPlainText(lines.join(QLatin1Char('\n')));
    QFont fixed = m_text->font();
    fixed.setStyleHint(QFont::Monospace);
    fixed.setFamily(QStringLiteral("Monospace"));
    m_text->setFont(fixed);
    layout->addWidget(m_text);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(520, 300);
}

QString TMessageWindow::text() const
{
    return m_text->toPlainText();
}
