#include "dialogs/sitegroupdialog.h"

#include "platform/core/prompt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmSiteGroup::TfrmSiteGroup(Mode mode, const QStringList& groups, QWidget* parent)
    : QDialog(parent)
    , m_mode(mode)
{
    setObjectName(QStringLiteral("frmSiteGroup"));
    setWindowTitle(mode == Mode::Add ? QStringLiteral("Add Site") : QStringLiteral("Move Site"));
    auto* form = new QFormLayout(this);
    txtSiteGroup = new QComboBox(this);
    txtSiteGroup->setObjectName(QStringLiteral("txtSiteGroup"));
    txtSiteGroup->addItems(groups);
    txtSiteGroup->setCurrentIndex(groups.isEmpty() ? -1 : 0);
    form->addRow(QStringLiteral("Site Group"), txtSiteGroup);
    txtSiteName = new QLineEdit(this);
    txtSiteName->setObjectName(QStringLiteral("txtSiteName"));
    lblSiteName = new QLabel(QStringLiteral("Site Name"), this);
    form->addRow(lblSiteName, txtSiteName);
    if (mode == Mode::Move) {
        lblSiteName->hide();
        txtSiteName->hide();
    }
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Ca&ncel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmSiteGroup::btnOKClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    setMinimumWidth(300);
}

QString TfrmSiteGroup::Group() const
{
    return txtSiteGroup->currentText();
}

QString TfrmSiteGroup::SiteName() const
{
    return txtSiteName->text();
}

void TfrmSiteGroup::btnOKClick()
{
    if (m_mode == Mode::Add) {
        const QString name = txtSiteName->text().trimmed();
        txtSiteName->setText(name);
        if (Group().isEmpty())
            return;
        if (NameProblem) {
            if (const std::optional<QString> problem = NameProblem(name)) {
                if (!problem->isEmpty())
                    prompts().messageBox(*problem, windowTitle(), Prompt::Icon::Error, Prompt::Ok);
                return;
            }
        } else if (name.isEmpty()) {
            return;
        }
    }
    accept();
}
