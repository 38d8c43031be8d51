#pragma once

#include "settings/preferences.h"
#include "settings/settingskeys.h"

#include <QDialog>
#include <QFont>
#include <optional>
#include <tuple>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class SettingsStore;
class TOrvoListView;

// The preferences window: nine pages over the behaviour keys of "orvoftp.ini" and the lists
// kept beside them. It starts from `initial` (preferencesFromSettings: the record, the
// engine's proxy and log values, the lists); "&OK" writes every control back
// (writePreferences) and reloads the store, whose changed() makes the sessions, consoles and
// views apply the new values at once. A write that fails leaves the window open with the
// edits in it. Questions and file choices go through prompts().
//
// Files by concern: preferenceswindow.cpp (building the pages), preferencesfields.cpp (the
// controls to and from the values, the buttons).
class TfrmPref : public QDialog
{
    Q_OBJECT

public:
    static constexpr const char* Caption = "Preferences";
    // "Executable Files (*.exe)" of the design: programs here have no extension.
    static constexpr const char* ProgramFilter = "All Files (*)|*";

    // `viewFont`: the file views' current font, shown by the sample panel.
    TfrmPref(SettingsStore& settings, const PreferencesValues& initial, const QFont& viewFont,
             QWidget* parent = nullptr);

    QTabWidget* Tabs = nullptr;
    // General
    QLineEdit* txtEmail = nullptr;
    QLineEdit* txtLocalPath = nullptr;
    QPushButton* btnLocalPath = nullptr;  // "?"
    QCheckBox* chkLog = nullptr;
    QLineEdit* txtLogFile = nullptr;
    QPushButton* btnLogFile = nullptr;  // "?"
    QRadioButton* radDefault = nullptr;
    QRadioButton* radViewer = nullptr;
    QLineEdit* txtViewer = nullptr;
    QPushButton* btnViewer = nullptr;  // "?"
    // Advanced
    QLineEdit* txtTimeout = nullptr;
    QLineEdit* txtRetry = nullptr;
    QLineEdit* txtRetryDelay = nullptr;
    QComboBox* cboDoubleClick = nullptr;
    QComboBox* cboConnectSound = nullptr;
    QLineEdit* txtConnectWAV = nullptr;
    QPushButton* btnConnectWAV = nullptr;   // "?"
    QPushButton* btnPlayConnect = nullptr;  // "!"
    QComboBox* cboTransferSound = nullptr;
    QLineEdit* txtTransferWAV = nullptr;
    QPushButton* btnTransferWAV = nullptr;   // "?"
    QPushButton* btnPlayTransfer = nullptr;  // "!"
    QCheckBox* chkShowSiteManager = nullptr;
    // View
    QButtonGroup* grpSortBy = nullptr;
    QButtonGroup* grpSortAlpha = nullptr;
    QCheckBox* chkLocalRefresh = nullptr;
    QCheckBox* chkAutoSizeLocal = nullptr;
    QCheckBox* chkRemoteRefresh = nullptr;
    QCheckBox* chkAutoSizeRemote = nullptr;
    QCheckBox* chkSelectLine = nullptr;
    QCheckBox* chkHideHeader = nullptr;
    // Options
    QPushButton* btnFont = nullptr;
    QLabel* pnlFont = nullptr;
    QCheckBox* chkConfirmDelete = nullptr;
    QCheckBox* chkConfirmExit = nullptr;
    QCheckBox* chkConfirmQueue = nullptr;
    QCheckBox* chkConfirmMove = nullptr;
    QCheckBox* chkPreserveDate = nullptr;
    QCheckBox* chkHide = nullptr;  // shown only where the desktop has a notification area
    QCheckBox* chkShowHidden = nullptr;
    QCheckBox* chkAutoSave = nullptr;
    QCheckBox* chkShowMsg = nullptr;
    QCheckBox* chkShowDirMsg = nullptr;
    QCheckBox* chkIdle = nullptr;
    QLineEdit* txtIdleInterval = nullptr;
    QCheckBox* chkFreeSpace = nullptr;
    QCheckBox* chkRestoreState = nullptr;
    // Transfer
    QComboBox* cboDuplicateLocal = nullptr;
    QComboBox* cboDuplicateRemote = nullptr;
    QComboBox* cboTransferOption = nullptr;
    QButtonGroup* grpFileCase = nullptr;
    QButtonGroup* grpTransferSpeed = nullptr;
    // Skip List
    QCheckBox* chkEnableSkip = nullptr;
    QCheckBox* chkSkipNullFile = nullptr;
    QCheckBox* chkSkipEmptyDir = nullptr;
    QLineEdit* txtSkipName = nullptr;
    QListWidget* SkipList = nullptr;
    QPushButton* btnSkipAdd = nullptr;
    QPushButton* btnSkipDelete = nullptr;
    // Editors
    QLineEdit* txtEditor = nullptr;
    QPushButton* btnEditor = nullptr;  // "?"
    TOrvoListView* EditorList = nullptr;
    QLineEdit* txtEditExtension = nullptr;
    QLineEdit* txtEditEditor = nullptr;
    QPushButton* btnEditEditor = nullptr;  // "?"
    QPushButton* btnEditorAdd = nullptr;
    QPushButton* btnEditorDelete = nullptr;
    // DDE
    QLineEdit* txtService = nullptr;
    QLineEdit* txtTopic = nullptr;
    QLineEdit* txtCommand = nullptr;
    QCheckBox* chkDDEPrompt = nullptr;
    QCheckBox* chkDDEFilter = nullptr;
    QCheckBox* chkDDEShow = nullptr;
    // Proxy
    QCheckBox* chkEnableProxy = nullptr;
    QLineEdit* txtProxyHost = nullptr;
    QLineEdit* txtProxyPort = nullptr;
    QLineEdit* txtProxyUser = nullptr;
    QLineEdit* txtProxyPass = nullptr;
    QButtonGroup* grpPasvMode = nullptr;
    QCheckBox* chkPasvMode = nullptr;
    QPlainTextEdit* MemoProxy = nullptr;

    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // --- Fields (preferencesfields.cpp) ---------------------------------------------------------
    void ShowValues(const PreferencesValues& values);
    // What "&OK" writes: every control, numbers as typed; a drop-down or radio group that
    // shows no item keeps the stored index.
    PreferencesValues Values() const;
    // Writes, reloads and closes; false (the window stays open) when the file could not be written.
    bool btnOKClick();
    void btnFontClick();
    void btnLocalPathClick();
    void btnLogFileClick();
    void btnSkipAddClick();
    void btnSkipDeleteClick();
    void btnEditorAddClick();
    void btnEditorDeleteClick();
    // Plays what the drop-down beside it names, as a connect or a finished batch would.
    static void PlaySound(const QComboBox* choice, const QLineEdit* wavFile);

private:
    // Every control with the value it stands for, so that showing and reading them are one
    // table each way.
    struct Fields {
        std::vector<std::pair<QLineEdit*, QString*>> texts;
        std::vector<std::tuple<QLineEdit*, std::optional<QString>*, qint32*, SettingKey>> numbers;
        std::vector<std::pair<QAbstractButton*, bool*>> switches;
        std::vector<std::pair<QComboBox*, qint32*>> choices;
        std::vector<std::pair<QButtonGroup*, qint32*>> groups;
        std::vector<std::pair<QButtonGroup*, bool*>> flagGroups;  // item 1 is true
    };
    Fields fields(PreferencesValues& values) const;

    QWidget* buildGeneralPage();
    QWidget* buildAdvancedPage();
    QWidget* buildViewPage();
    QWidget* buildOptionsPage();
    QWidget* buildTransferPage();
    QWidget* buildSkipPage();
    QWidget* buildEditorsPage();
    QWidget* buildDDEPage();
    QWidget* buildProxyPage();
    QWidget* buildButtons();
    void wireFields();
    void numberEdited(QLineEdit* field, qint64 low, qint64 high);
    void chooseProgram(QLineEdit* field, const QString& caption);
    void chooseWav(QLineEdit* field);
    void updateEnabled();

    SettingsStore& m_settings;
    PreferencesValues m_initial;
    QString m_fontName;  // what is written: the stored font until one is chosen
    int m_fontSize = 0;
    bool m_loading = false;  // the window fills its controls: no checks
};
