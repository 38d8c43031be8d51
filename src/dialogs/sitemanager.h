#pragma once

#include "sites/siteoptions.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class TSiteDatabase;
class TSiteStats;
struct TSiteRecord;

// The site manager: the groups of "sites.ini", the sites of the chosen group and the fields
// of the site shown (the loaded site), its statistics and notes. Files are read and written
// at once (nothing is cached); questions and messages go through prompts(). Connecting goes
// back to the window: connectRequested carries the site's name after the dialog closed.
//
// Files by concern: sitemanager.cpp (building, opening, closing), sitemanagerfields.cpp
// (the fields, the dirty flag, save and revert, statistics), sitemanagerlist.cpp (groups and
// the site list: add, delete, rename, move, connect).
class TfrmSite : public QDialog
{
    Q_OBJECT

public:
    // `autoSave`: the preference AutoSave (pending changes are saved without a question).
    TfrmSite(TSiteDatabase& sites, TSiteStats& stats, bool autoSave, QWidget* parent = nullptr);

    static constexpr const char* Caption = "Site Manager";

    // --- Groups and sites ---------------------------------------------------------------------
    QComboBox* GroupList = nullptr;
    QListWidget* SiteList = nullptr;
    QMenu* SiteListMenu = nullptr;  // "Edit", "Move", "Delete"
    QPushButton* btnAdd = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnAddGroup = nullptr;
    QPushButton* btnDeleteGroup = nullptr;
    QPushButton* btnImport = nullptr;
    QPushButton* btnConnect = nullptr;
    QPushButton* btnExit = nullptr;

    // --- The site shown ----------------------------------------------------------------------
    QStackedWidget* SitePanel = nullptr;  // the thank-you text, or the tabs with Save and Revert
    QTabWidget* Tabs = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnRevert = nullptr;
    // General
    QFormLayout* GeneralFields = nullptr;  // a field added later takes one more row here
    QLineEdit* txtSiteName = nullptr;
    QPushButton* btnRename = nullptr;  // "R"
    QLineEdit* txtServer = nullptr;
    QLineEdit* txtPort = nullptr;
    QLineEdit* txtUsername = nullptr;
    QCheckBox* chkAnonymous = nullptr;
    QLineEdit* txtPassword = nullptr;
    QCheckBox* chkSavePass = nullptr;
    QLineEdit* txtLocalPath = nullptr;
    QPushButton* btnBrowseLocal = nullptr;  // "?"
    QLineEdit* txtRemotePath = nullptr;
    QPlainTextEdit* SiteMemo = nullptr;
    QMenu* MemoMenu = nullptr;  // "&Copy", "&Paste", "C&lear"
    // The site's `Encryption`: plain, explicit TLS required, implicit TLS, explicit when offered.
    QComboBox* cboEncryption = nullptr;
    // Advanced
    QComboBox* cboServerType = nullptr;
    QLineEdit* txtAccount = nullptr;
    QLineEdit* txtTimeout = nullptr;
    QLineEdit* txtLocalFilter = nullptr;
    QLineEdit* txtRemoteFilter = nullptr;
    QLineEdit* txtRetry = nullptr;
    QButtonGroup* grpTransMode = nullptr;  // ids 0..3: ASCII, Binary, Auto, Use Default
    QCheckBox* chkAntiIdle = nullptr;
    QCheckBox* chkLog = nullptr;
    QCheckBox* chkRestoreState = nullptr;
    QCheckBox* chkShowhidden = nullptr;
    QCheckBox* chkRenameExt = nullptr;
    // Site Stats
    QLabel* lblConnects = nullptr;
    QLabel* lblLastConnect = nullptr;
    QLabel* lblFilesUp = nullptr;
    QLabel* lblFilesDown = nullptr;
    QLabel* lblBytesUp = nullptr;
    QLabel* lblBytesDown = nullptr;
    QPushButton* btnResetStats = nullptr;

    QString LoadedSite() const { return m_loaded; }
    bool Dirty() const { return m_dirty; }
    bool SiteShown() const;
    QString CurrentGroup() const;
    QStringList ListedSites() const;

    // Opens on the group that lists `site` with that site loaded and selected ("Edit
    // Current Site"); false when no group lists it.
    bool ShowSite(const QString& site);
    // Reads the groups again (after an import), keeping the shown group when it is still there.
    void ReloadGroups();

    // --- Handlers (sitemanagerlist.cpp) -------------------------------------------------------
    void GroupListClick();
    // Mouse pressed on the list: the pending-changes check; false when a refused save keeps
    // the shown site.
    bool SiteListMouseDown();
    void SiteListMouseUp();
    void SiteListClick();
    void SiteListDblClick();
    void btnAddClick();
    void btnEditClick();
    void btnDeleteClick();
    void btnRenameClick();
    void MoveClick();
    void btnAddGroupClick();
    void btnDeleteGroupClick();
    // The import window (TfrmImport) for the shown group; afterwards the lists are read again.
    void btnImportClick();
    void btnConnectClick();
    void btnExitClick();

    // --- Fields (sitemanagerfields.cpp) -------------------------------------------------------
    // Saves the shown site when "&Save" is visible and enabled (AutoSave), or asks. False
    // when a save was refused or failed: the caller stays where it is.
    bool PendingChangesCheck();
    bool btnSaveClick();
    void btnRevertClick();
    void btnResetStatsClick();
    void btnBrowseLocalClick();
    void ClearFields();
    void LoadSite(const QString& name);
    // The record the fields stand for (the password only when "Save Password" is checked).
    TSiteRecord FieldsRecord() const;
    SiteOptions FieldsOptions() const;
    void ShowOptions(const SiteOptions& options);
    void UpdateButtons();

signals:
    void connectRequested(const QString& site);
    // The groups or their sites changed, or the dialog closed: the group menu is rebuilt.
    void groupMenuChanged();

public:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildGroupsPanel();
    QWidget* buildSitePanel();
    QWidget* buildGeneralTab();
    QWidget* buildAdvancedTab();
    QWidget* buildStatsTab();
    QWidget* buildBottomButtons();
    void wireFields();
    void fieldEdited();
    void numberEdited(QLineEdit* field, qint64 low, qint64 high);
    bool rangesAccepted() const;
    void showStats();
    void showSitePanel(bool shown);
    void fillGroups(const QString& select);
    void fillSites();
    void insertSorted(const QString& name);
    void saveShownGroup();
    bool saveFieldsAs(const QString& name);
    QStringList selectedSites() const;

    TSiteDatabase& m_sites;
    TSiteStats& m_stats;
    bool m_autoSave = false;
    QString m_loaded;
    QString m_loadedResume;  // carried over unchanged by a save
    bool m_dirty = false;
    bool m_loading = false;  // the program fills the fields: no edits
    int m_shownGroup = -1;
};
