#include "dialogs/renameextensions.h"

#include "controls/orvoview.h"
#include "dialogs/formparts.h"
#include "platform/core/apperror.h"
#include "platform/core/errorreport.h"
#include "platform/core/inifile.h"
#include "platform/core/prompt.h"
#include "settings/extensionlists.h"
#include "settings/settingskeys.h"
#include "settings/settingsstore.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

using namespace FormParts;

TfrmRename::TfrmRename(SettingsStore& settings, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("frmRename"));
    setWindowTitle(QString::fromLatin1(Caption));
    auto* grid = new QGridLayout(this);
    auto* fields = new QFormLayout;
    txtLocal = lineEdit("txtLocal", this);
    txtRemote = lineEdit("txtRemote", this);
    fields->addRow(QStringLiteral("Local"), txtLocal);
    fields->addRow(QStringLiteral("Remote"), txtRemote);
    grid->addLayout(fields, 0, 0);
    RenameList = new TOrvoListView(this);
    RenameList->setObjectName(QStringLiteral("RenameList"));
    RenameList->SetViewStyle(vsReport);
    RenameList->AddColumn(QStringLiteral("Local"), 110);
    RenameList->AddColumn(QStringLiteral("Remote"), 110);
    RenameList->SetMultiSelect(true);
    RenameList->SetRowSelect(true);
    grid->addWidget(RenameList, 1, 0, 3, 1);
    btnAdd = button("btnAdd", QStringLiteral("&Add"), this);
    btnDelete = button("btnDelete", QStringLiteral("&Delete"), this);
    btnOK = button("btnOK", QStringLiteral("&OK"), this);
    btnOK->setAutoDefault(true);
    btnOK->setDefault(true);
    btnCancel = button("btnCancel", QStringLiteral("Ca&ncel"), this);
    grid->addWidget(btnAdd, 0, 1, Qt::AlignBottom);
    grid->addWidget(btnDelete, 1, 1, Qt::AlignTop);
    grid->addWidget(btnOK, 2, 1, Qt::AlignBottom);
    grid->addWidget(btnCancel, 3, 1);

    for (const QString& rule : settings.prefs().RenameRules) {
        const auto [local, remote] = splitRenameRule(rule);
        RenameList->AddItem(local, {remote}, -1);
    }
    btnAdd->setEnabled(false);
    btnDelete->setEnabled(false);
    for (QLineEdit* field : {txtLocal, txtRemote}) {
        connect(field, &QLineEdit::textChanged, this, [this] {
            btnAdd->setEnabled(!txtLocal->text().trimmed().isEmpty() && !txtRemote->text().trimmed().isEmpty());
        });
    }
    RenameList->OnSelectionChanged = [this](TOrvoListView*) { btnDelete->setEnabled(RenameList->SelCount() > 0); };
    connect(btnAdd, &QPushButton::clicked, this, &TfrmRename::btnAddClick);
    connect(btnDelete, &QPushButton::clicked, this, &TfrmRename::btnDeleteClick);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(340, 300);
}

QStringList TfrmRename::Rules() const
{
    QStringList rules;
    for (const TListItem& row : RenameList->Items())
        rules << renameRule(row.Caption, row.columnText(1));
    return rules;
}

void TfrmRename::btnAddClick()
{
    for (const QLineEdit* field : {txtLocal, txtRemote}) {
        if (const auto problem = renameExtensionProblem(field->text())) {
            prompts().messageBox(*problem, QString::fromLatin1(Caption), Prompt::Icon::Error, Prompt::Ok);
            return;
        }
    }
    RenameList->AddItem(renameExtension(txtLocal->text()), {renameExtension(txtRemote->text())}, -1);
    btnAdd->setEnabled(false);
    txtLocal->clear();
    txtRemote->clear();
}

void TfrmRename::btnDeleteClick()
{
    RenameList->DeleteItems(RenameList->SelectedRows());
    btnDelete->setEnabled(false);
}

bool TfrmRename::btnOKClick()
{
    const QStringList rules = Rules();
    try {
        m_settings.file().edit([&](IniDocument& doc) { writeList(doc, SettingList::Rename, rules); });
    } catch (const AppError& error) {
        showAppError(error);
        return false;
    }
    m_settings.prefs().RenameRules = rules;
    accept();
    return true;
}
