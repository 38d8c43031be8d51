#include "app/findbox.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFindBox::TFindBox(QWidget* parent)
    : QDialog(parent)
    , m_text(new QLineEdit(this))
{
    setObjectName(QStringLiteral("FindBox"));
    setWindowTitle(QStringLiteral("Find"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
    label->setBuddy(m_text);
    row->addWidget(label);
    row->addWidget(m_text, 1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(this);
    m_find = buttons->addButton(QStringLiteral("&Find"), QDialogButtonBox::ActionRole);
    m_find->setDefault(true);
    m_find->setEnabled(false);
    buttons->addButton(QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    connect(m_text, &QLineEdit::textChanged, this, [this](const QString& text) { m_find->setEnabled(!text.isEmpty()); });
    connect(m_find, &QPushButton::clicked, this, [this] {
        if (auto hook = OnFind)
            hook(m_text->text());
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
}

QString TFindBox::text() const
{
    return m_text->text();
}

void TFindBox::setText(const QString& text)
{
    m_text->setText(text);
    m_text->selectAll();
}
