#include "dialogs/asciiextensions.h"

#include "dialogs/formparts.h"
#include "platform/core/apperror.h"
#include "platform/core/errorreport.h"
#include "platform/core/inifile.h"
#include "settings/extensionlists.h"
#include "settings/settingskeys.h"
#include "settings/settingsstore.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace FormParts;

TfrmASCII::TfrmASCII(SettingsStore& settings, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("frmASCII"));
    setWindowTitle(QString::fromLatin1(Caption));
    auto* grid = new QGridLayout(this);
    txtExtension = lineEdit("txtExtension", this);
    ExtensionList = new QListWidget(this);
    ExtensionList->setObjectName(QStringLiteral("ExtensionList"));
    ExtensionList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    btnAdd = button("btnAdd", QStringLiteral("&Add"), this);
    btnDelete = button("btnDelete", QStringLiteral("&Delete"), this);
    btnOK = button("btnOK", QStringLiteral("&OK"), this);
    btnOK->setAutoDefault(true);
    btnOK->setDefault(true);
    btnCancel = button("btnCancel", QStringLiteral("Ca&ncel"), this);
    grid->addWidget(txtExtension, 0, 0);
    grid->addWidget(btnAdd, 0, 1);
    grid->addWidget(ExtensionList, 1, 0, 3, 1);
    grid->addWidget(btnDelete, 1, 1);
    grid->addWidget(btnOK, 2, 1, Qt::AlignBottom);
    grid->addWidget(btnCancel, 3, 1);

    ExtensionList->addItems(settings.prefs().AsciiExtensions);
    btnAdd->setEnabled(false);
    btnDelete->setEnabled(false);
    // Everything typed is upper case, as the list shows it.
    connect(txtExtension, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text != text.toUpper()) {
            const int cursor = txtExtension->cursorPosition();
            txtExtension->setText(text.toUpper());
            txtExtension->setCursorPosition(cursor);
        }
    });
    connect(txtExtension, &QLineEdit::textChanged, this,
            [this](const QString& text) { btnAdd->setEnabled(!text.trimmed().isEmpty()); });
    connect(ExtensionList, &QListWidget::itemSelectionChanged, this,
            [this] { btnDelete->setEnabled(!ExtensionList->selectedItems().isEmpty()); });
    connect(btnAdd, &QPushButton::clicked, this, &TfrmASCII::btnAddClick);
    connect(btnDelete, &QPushButton::clicked, this, &TfrmASCII::btnDeleteClick);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(300, 280);
}

QStringList TfrmASCII::Entries() const
{
    QStringList entries;
    for (int i = 0; i < ExtensionList->count(); ++i)
        entries << ExtensionList->item(i)->text();
    return entries;
}

void TfrmASCII::btnAddClick()
{
    const QString entry = asciiExtensionEntry(txtExtension->text());
    if (entry.isEmpty())
        return;
    ExtensionList->addItem(entry);
    txtExtension->clear();
    btnAdd->setEnabled(false);
}

void TfrmASCII::btnDeleteClick()
{
    qDeleteAll(ExtensionList->selectedItems());
    btnDelete->setEnabled(false);
}

bool TfrmASCII::btnOKClick()
{
    const QStringList entries = Entries();
    try {
        m_settings.file().edit([&](IniDocument& doc) { writeList(doc, SettingList::Extensions, entries); });
    } catch (const AppError& error) {
        showAppError(error);
        return false;
    }
    m_settings.prefs().AsciiExtensions = entries;
    accept();
    return true;
}
