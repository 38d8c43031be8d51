// The site manager's fields: loading and clearing them, the dirty flag, the buttons that
// follow it, Save and Revert, the statistics and the local folder picker.
#include "dialogs/sitemanager.h"

#include "session/connectionrequest.h"

#include "dialogs/checkrange.h"
#include "platform/core/apperror.h"
#include "platform/core/errorreport.h"
#include "platform/core/prompt.h"
#include "sites/sitedatabase.h"
#include "sites/sitestats.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

struct NumberField {
    QLineEdit* TfrmSite::*field;
    qint64 low;
    qint64 high;
};

constexpr NumberField NumberFields[] = {
    {&TfrmSite::txtPort, 1, 65535},
    {&TfrmSite::txtTimeout, 0, 255},
    {&TfrmSite::txtRetry, 0, 32000},
};

Qt::CheckState checkState(TriState state)
{
    switch (state) {
    case TriState::On: return Qt::Checked;
    case TriState::Off: return Qt::Unchecked;
    case TriState::Global: break;
    }
    return Qt::PartiallyChecked;
}

TriState triState(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked: return TriState::On;
    case Qt::Unchecked: return TriState::Off;
    case Qt::PartiallyChecked: break;
    }
    return TriState::Global;
}

}  // namespace

// Every edit of the two settings tabs marks the site changed, the notes included (an edit
// there alone used to be lost on the next site); only an emptied Port, Timeout or Retry
// does not.
void TfrmSite::wireFields()
{
    for (QLineEdit* edit : {txtServer, txtUsername, txtPassword, txtLocalPath, txtRemotePath, txtAccount,
                            txtLocalFilter, txtRemoteFilter})
        connect(edit, &QLineEdit::textChanged, this, &TfrmSite::fieldEdited);
    for (const NumberField& number : NumberFields) {
        QLineEdit* edit = this->*number.field;
        connect(edit, &QLineEdit::textChanged, this, [this, edit, number] { numberEdited(edit, number.low, number.high); });
    }
    connect(txtUsername, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_loading)
            chkAnonymous->setChecked(text.isEmpty());
    });
    for (QCheckBox* box : {chkAnonymous, chkSavePass, chkAntiIdle, chkLog, chkRestoreState, chkShowhidden, chkRenameExt})
        connect(box, &QCheckBox::stateChanged, this, &TfrmSite::fieldEdited);
    connect(cboServerType, &QComboBox::currentIndexChanged, this, &TfrmSite::fieldEdited);
    connect(cboEncryption, &QComboBox::currentIndexChanged, this, [this](int index) {
        // Implicit TLS has a port of its own: offered in place of the plain one, and back.
        if (!m_loading) {
            const QString port = txtPort->text().trimmed();
            if (index == 2 && (port.isEmpty() || port == QLatin1String("21")))
                txtPort->setText(QStringLiteral("990"));
            else if (index != 2 && port == QLatin1String("990"))
                txtPort->setText(QStringLiteral("21"));
        }
        fieldEdited();
    });
    connect(grpTransMode, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            fieldEdited();
    });
    connect(SiteMemo, &QPlainTextEdit::textChanged, this, &TfrmSite::fieldEdited);
}

void TfrmSite::fieldEdited()
{
    if (m_loading)
        return;
    m_dirty = true;
    UpdateButtons();
}

void TfrmSite::numberEdited(QLineEdit* field, qint64 low, qint64 high)
{
    if (m_loading)
        return;
    if (field->text().isEmpty()) {
        UpdateButtons();
        return;
    }
    CheckRange(field->text(), low, high);
    fieldEdited();
}

void TfrmSite::UpdateButtons()
{
    const bool complete = !txtServer->text().isEmpty() && !txtPort->text().isEmpty() && !txtSiteName->text().isEmpty();
    if (complete)
        btnSave->setEnabled(m_dirty);
    btnConnect->setEnabled(complete);
}

// --- Fields <-> record ----------------------------------------------------------------------

void TfrmSite::ClearFields()
{
    m_loading = true;
    for (QLineEdit* edit : {txtSiteName, txtServer, txtUsername, txtPassword, txtLocalPath, txtRemotePath,
                            txtAccount, txtTimeout, txtLocalFilter, txtRemoteFilter, txtRetry})
        edit->clear();
    txtPort->setText(QStringLiteral("21"));
    SiteMemo->clear();
    chkAnonymous->setChecked(true);
    chkSavePass->setChecked(true);
    m_loadedResume.clear();
    ShowOptions(SiteOptions::parse(FreshSiteOptions));
    m_loading = false;
}

void TfrmSite::ShowOptions(const SiteOptions& options)
{
    const bool wasLoading = m_loading;
    m_loading = true;
    if (QAbstractButton* mode = grpTransMode->button(options.TransferMode))
        mode->setChecked(true);
    chkAntiIdle->setCheckState(checkState(options.AntiIdle));
    chkRestoreState->setCheckState(checkState(options.RestoreState));
    chkLog->setCheckState(checkState(options.LogSession));
    chkRenameExt->setChecked(options.RenameExtensions);
    chkShowhidden->setCheckState(checkState(options.ShowHidden));
    cboServerType->setCurrentIndex(options.ServerType);
    m_loading = wasLoading;
}

SiteOptions TfrmSite::FieldsOptions() const
{
    SiteOptions options;
    const int mode = grpTransMode->checkedId();
    options.TransferMode = mode >= 0 ? mode : SiteOptions::UseDefault;
    options.AntiIdle = triState(chkAntiIdle);
    options.RestoreState = triState(chkRestoreState);
    options.LogSession = triState(chkLog);
    options.RenameExtensions = chkRenameExt->isChecked();
    options.ShowHidden = triState(chkShowhidden);
    options.ServerType = qMax(0, cboServerType->currentIndex());
    return options;
}

TSiteRecord TfrmSite::FieldsRecord() const
{
    TSiteRecord site;
    site.IP = txtServer->text();
    site.Port = txtPort->text().trimmed();
    site.User = txtUsername->text();
    // The user said not to keep the password: the connect asks for it.
    if (chkSavePass->isChecked())
        site.Pass = txtPassword->text();
    site.Account = txtAccount->text();
    site.LocalDir = txtLocalPath->text();
    site.RemoteDir = txtRemotePath->text();
    site.LocalFilter = txtLocalFilter->text();
    site.RemoteFilter = txtRemoteFilter->text();
    site.Resume = m_loadedResume;
    site.Retry = txtRetry->text().trimmed();
    site.Timeout = txtTimeout->text().trimmed();
    site.Encryption = cboEncryption->currentIndex() > 0 ? QString::number(cboEncryption->currentIndex()) : QString();
    site.Options = FieldsOptions().toString();
    const QString notes = SiteMemo->toPlainText();
    if (!notes.isEmpty())
        site.Notes = notes.split(QLatin1Char('\n'));
    return site;
}

void TfrmSite::LoadSite(const QString& name)
{
    const TSiteRecord site = m_sites.readSite(name);
    SiteOptions options;
    try {
        options = SiteOptions::parse(site.Options);
    } catch (const AppError& error) {
        showAppError(error);  // damaged options show as the defaults; a save repairs them
    }
    m_loading = true;
    txtSiteName->setText(name);
    txtServer->setText(site.IP);
    txtPort->setText(site.Port);
    txtUsername->setText(site.User);
    txtPassword->setText(site.Pass);
    chkAnonymous->setChecked(site.User.isEmpty());
    chkSavePass->setChecked(!site.Pass.isEmpty() || site.User.isEmpty());
    txtAccount->setText(site.Account);
    txtLocalPath->setText(site.LocalDir);
    txtRemotePath->setText(site.RemoteDir);
    txtLocalFilter->setText(site.LocalFilter);
    txtRemoteFilter->setText(site.RemoteFilter);
    txtRetry->setText(site.Retry);
    txtTimeout->setText(site.Timeout);
    cboEncryption->setCurrentIndex(int(siteEncryption(site.Encryption)));
    SiteMemo->setPlainText(site.Notes.join(QLatin1Char('\n')));
    ShowOptions(options);
    m_loadedResume = site.Resume;
    m_loading = false;
    m_loaded = name;
    showSitePanel(true);
    btnRevert->setEnabled(true);
    m_dirty = false;
    btnSave->setEnabled(false);
    UpdateButtons();
    showStats();
}

// --- Save, revert, pending changes ------------------------------------------------------------

bool TfrmSite::rangesAccepted() const
{
    for (const NumberField& number : NumberFields) {
        if (!CheckRange((this->*number.field)->text(), number.low, number.high))
            return false;
    }
    return true;
}

// Writes the fields under `name`; false (the reason shown) when a number is out of range or
// the file refused the write.
bool TfrmSite::saveFieldsAs(const QString& name)
{
    if (!rangesAccepted())
        return false;
    try {
        m_sites.writeSite(name, FieldsRecord());
    } catch (const AppError& error) {
        showAppError(error);
        return false;
    }
    return true;
}

bool TfrmSite::btnSaveClick()
{
    if (m_loaded.isEmpty() || !saveFieldsAs(m_loaded))
        return false;
    m_dirty = false;
    btnSave->setEnabled(false);
    UpdateButtons();
    return true;
}

void TfrmSite::btnRevertClick()
{
    if (m_loaded.isEmpty())
        return;
    ClearFields();
    LoadSite(m_loaded);
}

bool TfrmSite::PendingChangesCheck()
{
    if (!SiteShown() || !btnSave->isEnabled())
        return true;
    if (!m_autoSave
        && prompts().messageBox(QStringLiteral("Save changes to current site ?"), QString::fromLatin1(Caption),
                                Prompt::Icon::Information, Prompt::Yes | Prompt::No)
               != Prompt::Yes) {
        btnSave->setEnabled(false);
        m_dirty = false;
        return true;
    }
    return btnSaveClick();
}

// --- Statistics and the folder picker ---------------------------------------------------------

void TfrmSite::showStats()
{
    SiteStatistics stats;
    try {
        stats = m_stats.ReadStats(m_loaded);
    } catch (const AppError& error) {
        showAppError(error);
    }
    lblConnects->setText(stats.ConnectCount);
    lblLastConnect->setText(stats.LastConnect);
    lblFilesUp->setText(stats.FilesUp);
    lblFilesDown->setText(stats.FilesDown);
    lblBytesUp->setText(stats.BytesUp);
    lblBytesDown->setText(stats.BytesDown);
}

void TfrmSite::btnResetStatsClick()
{
    if (m_loaded.isEmpty())
        return;
    try {
        m_stats.ResetStats(m_loaded);
    } catch (const AppError& error) {
        showAppError(error);
    }
    showStats();
}

void TfrmSite::btnBrowseLocalClick()
{
    const QString start = txtLocalPath->text().isEmpty() ? QDir::homePath() : txtLocalPath->text();
    if (const auto folder = prompts().pickFolder(QStringLiteral("Select Initial Local Directory"), start))
        txtLocalPath->setText(*folder);
}
