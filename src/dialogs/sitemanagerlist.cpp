// The site manager's groups and site list: choosing, adding, deleting, renaming and moving
// sites, adding and deleting groups, connecting and leaving.
#include "dialogs/sitemanager.h"

#include "dialogs/sitegroupdialog.h"
#include "dialogs/siteimportdialog.h"
#include "platform/core/apperror.h"
#include "platform/core/errorreport.h"
#include "platform/core/prompt.h"
#include "sites/sitedatabase.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>

namespace {

bool lessIgnoringCase(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

QStringList sortedNames(QStringList names)
{
    std::stable_sort(names.begin(), names.end(), lessIgnoringCase);
    return names;
}

void tell(const QString& text, Prompt::Icon icon)
{
    prompts().messageBox(text, QString::fromLatin1(TfrmSite::Caption), icon, Prompt::Ok);
}

}  // namespace

// --- Groups ---------------------------------------------------------------------------------

void TfrmSite::ReloadGroups()
{
    const QString shown = CurrentGroup();
    try {
        if (m_sites.groups().isEmpty())
            m_sites.saveGroups({QStringLiteral("Personal")}, m_sites.importFlag());
    } catch (const AppError& error) {
        showAppError(error);
    }
    fillGroups(shown);
    fillSites();
}

void TfrmSite::fillGroups(const QString& select)
{
    const QSignalBlocker quiet(GroupList);
    GroupList->clear();
    GroupList->addItems(sortedNames(m_sites.groups()));
    const int index = GroupList->findText(select);
    GroupList->setCurrentIndex(index >= 0 ? index : (GroupList->count() > 0 ? 0 : -1));
    m_shownGroup = GroupList->currentIndex();
    btnDeleteGroup->setEnabled(GroupList->count() > 0);
}

QString TfrmSite::CurrentGroup() const
{
    return m_shownGroup >= 0 ? GroupList->itemText(m_shownGroup) : QString();
}

QStringList TfrmSite::ListedSites() const
{
    QStringList names;
    for (int i = 0; i < SiteList->count(); ++i)
        names << SiteList->item(i)->text();
    return names;
}

QStringList TfrmSite::selectedSites() const
{
    QStringList names;
    for (int i = 0; i < SiteList->count(); ++i) {
        if (SiteList->item(i)->isSelected())
            names << SiteList->item(i)->text();
    }
    return names;
}

void TfrmSite::fillSites()
{
    SiteList->clear();
    if (!CurrentGroup().isEmpty())
        SiteList->addItems(sortedNames(m_sites.groupSites(CurrentGroup())));
}

void TfrmSite::insertSorted(const QString& name)
{
    int row = 0;
    while (row < SiteList->count() && !lessIgnoringCase(name, SiteList->item(row)->text()))
        ++row;
    SiteList->insertItem(row, name);
    SiteList->clearSelection();
    SiteList->setCurrentRow(row);
}

void TfrmSite::saveShownGroup()
{
    m_sites.saveGroupSites(CurrentGroup(), ListedSites());
}

void TfrmSite::GroupListClick()
{
    if (GroupList->currentIndex() == m_shownGroup)
        return;
    if (!PendingChangesCheck()) {
        const QSignalBlocker quiet(GroupList);
        GroupList->setCurrentIndex(m_shownGroup);
        return;
    }
    m_shownGroup = GroupList->currentIndex();
    btnConnect->setEnabled(false);
    btnDelete->setEnabled(false);
    btnEdit->setEnabled(false);
    showSitePanel(false);
    fillSites();
}

void TfrmSite::btnAddGroupClick()
{
    const auto answer = prompts().inputBox(QStringLiteral("Add Site Group"), QStringLiteral("Enter Group Name"), QString());
    if (!answer)
        return;
    const QString name = answer->trimmed();
    if (const std::optional<QString> problem = m_sites.groupNameProblem(name)) {
        if (!problem->isEmpty())
            tell(*problem, Prompt::Icon::Error);
        return;
    }
    QStringList groups;
    for (int i = 0; i < GroupList->count(); ++i)
        groups << GroupList->itemText(i);
    groups = sortedNames(groups << name);
    try {
        m_sites.saveGroups(groups, m_sites.importFlag());
    } catch (const AppError& error) {
        showAppError(error);
        return;
    }
    fillGroups(CurrentGroup());
    emit groupMenuChanged();
}

void TfrmSite::btnDeleteGroupClick()
{
    const QString group = CurrentGroup();
    if (group.isEmpty()
        || prompts().messageBox(
               QStringLiteral("Are you sure you want to delete this group?  All site entries for this group will be lost!"),
               QString::fromLatin1(Caption), Prompt::Icon::Warning, Prompt::Yes | Prompt::No)
               != Prompt::Yes)
        return;
    try {
        m_sites.deleteGroup(group);
        QStringList remaining;
        for (int i = 0; i < GroupList->count(); ++i) {
            if (i != m_shownGroup)
                remaining << GroupList->itemText(i);
        }
        m_sites.saveGroups(remaining, m_sites.importFlag());
    } catch (const AppError& error) {
        showAppError(error);
    }
    // Its sites are gone: so is the one shown, if it was among them.
    ClearFields();
    m_loaded.clear();
    showSitePanel(false);
    btnConnect->setEnabled(false);
    btnDelete->setEnabled(false);
    btnEdit->setEnabled(false);
    fillGroups(QString());
    fillSites();
    emit groupMenuChanged();
}

void TfrmSite::btnImportClick()
{
    // An import may rewrite the site shown: its edits are saved first, and its fields are
    // not shown afterwards, so that a later save cannot undo the import.
    if (CurrentGroup().isEmpty() || !PendingChangesCheck())
        return;
    if (!TfrmImport::Execute(m_sites, CurrentGroup()))
        return;
    showSitePanel(false);
    btnConnect->setEnabled(false);
    btnDelete->setEnabled(false);
    btnEdit->setEnabled(false);
    ReloadGroups();
    emit groupMenuChanged();
}

// --- The list -------------------------------------------------------------------------------

bool TfrmSite::SiteListMouseDown()
{
    return PendingChangesCheck();
}

void TfrmSite::SiteListMouseUp()
{
    const int selected = int(SiteList->selectedItems().size());
    btnDelete->setEnabled(selected > 0);
    btnConnect->setEnabled(selected > 0);
    btnEdit->setEnabled(selected == 1);
}

void TfrmSite::SiteListClick()
{
    if (SiteShown())
        btnEditClick();
}

void TfrmSite::SiteListDblClick()
{
    ClearFields();
    if (SiteList->selectedItems().size() == 1)
        btnEditClick();
}

void TfrmSite::btnEditClick()
{
    for (const QString& name : selectedSites()) {
        ClearFields();
        LoadSite(name);
    }
}

bool TfrmSite::ShowSite(const QString& site)
{
    const QString group = m_sites.groupOf(site);
    if (group.isEmpty())
        return false;
    fillGroups(group);
    fillSites();
    const QList<QListWidgetItem*> found = SiteList->findItems(site, Qt::MatchFixedString);
    if (found.isEmpty())
        return false;
    SiteList->clearSelection();
    SiteList->setCurrentItem(found.first());
    found.first()->setSelected(true);
    ClearFields();
    LoadSite(found.first()->text());
    btnDelete->setEnabled(true);
    btnEdit->setEnabled(true);
    return true;
}

void TfrmSite::btnAddClick()
{
    if (!PendingChangesCheck())
        return;
    if (CurrentGroup().isEmpty()) {
        tell(QStringLiteral("You must create a site group before you can add a site."), Prompt::Icon::Information);
        return;
    }
    const auto answer = prompts().inputBox(QStringLiteral("Add a site"), QStringLiteral("Enter site name"), QString());
    if (!answer)
        return;
    const QString name = answer->trimmed();
    // A name some group lists already is refused even while its section has no address yet.
    if (const std::optional<QString> problem = m_sites.newSiteNameProblem(name)) {
        if (!problem->isEmpty())
            tell(*problem, Prompt::Icon::Error);
        return;
    }
    ClearFields();
    insertSorted(name);
    try {
        saveShownGroup();
        m_sites.writeSite(name, FieldsRecord());
    } catch (const AppError& error) {
        showAppError(error);
    }
    m_loaded = name;
    LoadSite(name);
    emit groupMenuChanged();
}

void TfrmSite::btnDeleteClick()
{
    const QStringList doomed = selectedSites();
    if (doomed.isEmpty()
        || prompts().messageBox(QStringLiteral("Remove site(s) from the database ?"), QString::fromLatin1(Caption),
                                Prompt::Icon::Question, Prompt::Yes | Prompt::No)
               != Prompt::Yes)
        return;
    try {
        for (const QString& name : doomed)
            m_sites.eraseSite(name);
    } catch (const AppError& error) {
        showAppError(error);
    }
    for (int row = SiteList->count() - 1; row >= 0; --row) {
        if (SiteList->item(row)->isSelected())
            delete SiteList->takeItem(row);
    }
    ClearFields();
    m_loaded.clear();
    m_dirty = false;
    showSitePanel(false);
    for (QPushButton* b : {btnSave, btnRevert, btnDelete, btnConnect, btnEdit})
        b->setEnabled(false);
    try {
        saveShownGroup();
    } catch (const AppError& error) {
        showAppError(error);
    }
    emit groupMenuChanged();
}

// "R": the loaded site (whichever row has the focus) gets the new name; its section is
// written under the new name before the old one goes, and its list entry is replaced.
void TfrmSite::btnRenameClick()
{
    if (m_loaded.isEmpty())
        return;
    const auto answer = prompts().inputBox(QStringLiteral("Rename Site"), QStringLiteral("New Name"), m_loaded);
    if (!answer)
        return;
    const QString name = answer->trimmed();
    if (name == m_loaded)
        return;
    if (const std::optional<QString> problem = m_sites.newSiteNameProblem(name)) {
        if (!problem->isEmpty())
            tell(*problem, Prompt::Icon::Error);
        return;
    }
    if (!rangesAccepted())
        return;
    try {
        m_sites.renameSite(CurrentGroup(), m_loaded, name, FieldsRecord());
    } catch (const AppError& error) {
        showAppError(error);
        return;
    }
    const QList<QListWidgetItem*> old = SiteList->findItems(m_loaded, Qt::MatchFixedString);
    for (QListWidgetItem* item : old)
        delete SiteList->takeItem(SiteList->row(item));
    insertSorted(name);
    SiteList->currentItem()->setSelected(true);
    m_loaded = name;
    m_loading = true;
    txtSiteName->setText(name);
    m_loading = false;
    m_dirty = false;
    btnSave->setEnabled(false);
    UpdateButtons();
}

void TfrmSite::MoveClick()
{
    if (SiteList->selectedItems().isEmpty())
        return;
    auto* dialog = new TfrmSiteGroup(TfrmSiteGroup::Mode::Move, m_sites.groups(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        const QString target = dialog->Group();
        const QString shown = CurrentGroup();
        if (target.isEmpty() || target == shown)
            return;
        SiteList->setUpdatesEnabled(false);
        try {
            for (const QString& name : selectedSites())
                m_sites.appendGroupSite(target, name);
            for (int row = SiteList->count() - 1; row >= 0; --row) {
                if (SiteList->item(row)->isSelected())
                    delete SiteList->takeItem(row);
            }
            saveShownGroup();
            m_sites.saveGroupSites(target, sortedNames(m_sites.groupSites(target)));
        } catch (const AppError& error) {
            showAppError(error);
        }
        fillSites();
        SiteList->setUpdatesEnabled(true);
        SiteListMouseUp();
        emit groupMenuChanged();
    });
    dialog->open();
}

// --- Leaving ----------------------------------------------------------------------------------

void TfrmSite::btnConnectClick()
{
    if (!PendingChangesCheck())
        return;
    QString site = m_loaded;
    const QStringList selected = selectedSites();
    if (!selected.isEmpty()) {
        QListWidgetItem* focus = SiteList->currentItem();
        site = focus && focus->isSelected() ? focus->text() : selected.first();
    }
    if (site.isEmpty())
        return;
    accept();
    emit connectRequested(site);
}

void TfrmSite::btnExitClick()
{
    if (PendingChangesCheck())
        accept();
}
