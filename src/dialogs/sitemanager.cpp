// The site manager: building it, opening and closing.
#include "dialogs/sitemanager.h"

#include "dialogs/formparts.h"
#include "sites/sitedatabase.h"
#include "sites/sitestats.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

using FormParts::button;
using FormParts::lineEdit;

// The site's own switches are three-state: a grey mark follows the program's setting.
QCheckBox* checkBox(const char* name, const QString& text, QWidget* parent, bool threeState)
{
    QCheckBox* box = FormParts::checkBox(name, text, parent);
    box->setTristate(threeState);
    return box;
}

}  // namespace

TfrmSite::TfrmSite(TSiteDatabase& sites, TSiteStats& stats, bool autoSave, QWidget* parent)
    : QDialog(parent)
    , m_sites(sites)
    , m_stats(stats)
    , m_autoSave(autoSave)
{
    setObjectName(QStringLiteral("frmSite"));
    setWindowTitle(QString::fromLatin1(Caption));
    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(buildGroupsPanel());
    top->addWidget(buildSitePanel(), 1);
    outer->addLayout(top, 1);
    outer->addWidget(buildBottomButtons());
    wireFields();

    // Opening: nothing shown yet; the groups ("Personal" when there is none) and the first
    // group's sites.
    btnEdit->setEnabled(false);
    btnDelete->setEnabled(false);
    btnConnect->setEnabled(false);
    showSitePanel(false);
    ReloadGroups();
    resize(720, 480);
}

QWidget* TfrmSite::buildGroupsPanel()
{
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* groupBox = new QGroupBox(QStringLiteral("Group"), panel);
    auto* groupLayout = new QVBoxLayout(groupBox);
    GroupList = new QComboBox(groupBox);
    GroupList->setObjectName(QStringLiteral("GroupList"));
    groupLayout->addWidget(GroupList);
    layout->addWidget(groupBox);

    auto* sitesBox = new QGroupBox(QStringLiteral("Sites"), panel);
    auto* sitesLayout = new QVBoxLayout(sitesBox);
    SiteList = new QListWidget(sitesBox);
    SiteList->setObjectName(QStringLiteral("SiteList"));
    SiteList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    SiteList->setContextMenuPolicy(Qt::CustomContextMenu);
    SiteList->viewport()->installEventFilter(this);
    sitesLayout->addWidget(SiteList, 1);
    auto* listButtons = new QHBoxLayout;
    btnAdd = button("btnAdd", QStringLiteral("&Add"), sitesBox);
    btnEdit = button("btnEdit", QStringLiteral("&Edit"), sitesBox);
    btnDelete = button("btnDelete", QStringLiteral("&Delete"), sitesBox);
    for (QPushButton* b : {btnAdd, btnEdit, btnDelete})
        listButtons->addWidget(b);
    sitesLayout->addLayout(listButtons);
    layout->addWidget(sitesBox, 1);

    SiteListMenu = new QMenu(SiteList);
    SiteListMenu->addAction(QStringLiteral("Edit"), this, &TfrmSite::btnEditClick)->setObjectName(QStringLiteral("popEdit"));
    SiteListMenu->addAction(QStringLiteral("Move"), this, &TfrmSite::MoveClick)->setObjectName(QStringLiteral("popMove"));
    SiteListMenu->addAction(QStringLiteral("Delete"), this, &TfrmSite::btnDeleteClick)->setObjectName(QStringLiteral("popDelete"));
    connect(SiteListMenu, &QMenu::aboutToShow, this, [this] {
        const int selected = int(SiteList->selectedItems().size());
        const QList<QAction*> actions = SiteListMenu->actions();
        actions[0]->setEnabled(selected == 1);
        actions[1]->setEnabled(selected > 0);
        actions[2]->setEnabled(selected > 0);
    });
    connect(SiteList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { SiteListMenu->popup(SiteList->viewport()->mapToGlobal(at)); });

    connect(GroupList, &QComboBox::activated, this, &TfrmSite::GroupListClick);
    connect(SiteList, &QListWidget::itemClicked, this, &TfrmSite::SiteListClick);
    connect(SiteList, &QListWidget::itemDoubleClicked, this, &TfrmSite::SiteListDblClick);
    connect(btnAdd, &QPushButton::clicked, this, &TfrmSite::btnAddClick);
    connect(btnEdit, &QPushButton::clicked, this, &TfrmSite::btnEditClick);
    connect(btnDelete, &QPushButton::clicked, this, &TfrmSite::btnDeleteClick);
    panel->setMinimumWidth(220);
    return panel;
}

QWidget* TfrmSite::buildSitePanel()
{
    SitePanel = new QStackedWidget(this);
    SitePanel->setObjectName(QStringLiteral("SitePanel"));
    auto* thanks = new QLabel(QStringLiteral("Thank you for using OrvoFTP"), SitePanel);
    thanks->setAlignment(Qt::AlignCenter);
    SitePanel->addWidget(thanks);

    auto* page = new QWidget(SitePanel);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    Tabs = new QTabWidget(page);
    Tabs->setObjectName(QStringLiteral("Tabs"));
    Tabs->addTab(buildGeneralTab(), QStringLiteral("General"));
    Tabs->addTab(buildAdvancedTab(), QStringLiteral("Advanced"));
    Tabs->addTab(buildStatsTab(), QStringLiteral("Site Stats"));
    layout->addWidget(Tabs, 1);
    auto* saveRow = new QHBoxLayout;
    saveRow->addStretch(1);
    btnSave = button("btnSave", QStringLiteral("&Save"), page);
    btnRevert = button("btnRevert", QStringLiteral("&Revert"), page);
    saveRow->addWidget(btnSave);
    saveRow->addWidget(btnRevert);
    layout->addLayout(saveRow);
    SitePanel->addWidget(page);
    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
    connect(btnRevert, &QPushButton::clicked, this, &TfrmSite::btnRevertClick);
    return SitePanel;
}

QWidget* TfrmSite::buildGeneralTab()
{
    auto* tab = new QWidget(this);
    GeneralFields = new QFormLayout(tab);
    const auto withButton = [tab](QWidget* field, QPushButton* b) {
        auto* row = new QHBoxLayout;
        row->addWidget(field, 1);
        b->setFixedWidth(28);
        row->addWidget(b);
        return row;
    };
    txtSiteName = lineEdit("txtSiteName", tab);
    txtSiteName->setReadOnly(true);
    btnRename = button("btnRename", QStringLiteral("R"), tab);
    btnRename->setToolTip(QStringLiteral("Rename Site"));
    GeneralFields->addRow(QStringLiteral("Site Name"), withButton(txtSiteName, btnRename));
    txtServer = lineEdit("txtServer", tab);
    GeneralFields->addRow(QStringLiteral("IP Address"), txtServer);
    txtPort = lineEdit("txtPort", tab);
    txtPort->setMaximumWidth(80);
    GeneralFields->addRow(QStringLiteral("Port"), txtPort);
    cboEncryption = new QComboBox(tab);
    cboEncryption->setObjectName(QStringLiteral("cboEncryption"));
    // In the order of the stored values "0" to "3".
    cboEncryption->addItems({QStringLiteral("Plain FTP"), QStringLiteral("Require explicit FTP over TLS"),
                             QStringLiteral("Implicit FTP over TLS"), QStringLiteral("Explicit FTP over TLS if available")});
    GeneralFields->addRow(QStringLiteral("Encryption"), cboEncryption);
    txtUsername = lineEdit("txtUsername", tab);
    chkAnonymous = checkBox("chkAnonymous", QStringLiteral("Anonymous"), tab, false);
    auto* userRow = new QHBoxLayout;
    userRow->addWidget(txtUsername, 1);
    userRow->addWidget(chkAnonymous);
    GeneralFields->addRow(QStringLiteral("Username"), userRow);
    txtPassword = lineEdit("txtPassword", tab);
    txtPassword->setEchoMode(QLineEdit::Password);
    chkSavePass = checkBox("chkSavePass", QStringLiteral("Save Password"), tab, false);
    auto* passRow = new QHBoxLayout;
    passRow->addWidget(txtPassword, 1);
    passRow->addWidget(chkSavePass);
    GeneralFields->addRow(QStringLiteral("Password"), passRow);
    txtLocalPath = lineEdit("txtLocalPath", tab);
    btnBrowseLocal = button("btnBrowseLocal", QStringLiteral("?"), tab);
    GeneralFields->addRow(QStringLiteral("Local Path"), withButton(txtLocalPath, btnBrowseLocal));
    txtRemotePath = lineEdit("txtRemotePath", tab);
    GeneralFields->addRow(QStringLiteral("Remote Path"), txtRemotePath);
    SiteMemo = new QPlainTextEdit(tab);
    SiteMemo->setObjectName(QStringLiteral("SiteMemo"));
    SiteMemo->setContextMenuPolicy(Qt::CustomContextMenu);
    GeneralFields->addRow(QStringLiteral("Notes"), SiteMemo);

    MemoMenu = new QMenu(SiteMemo);
    MemoMenu->addAction(QStringLiteral("&Copy"), SiteMemo, &QPlainTextEdit::copy);
    MemoMenu->addAction(QStringLiteral("&Paste"), SiteMemo, &QPlainTextEdit::paste);
    MemoMenu->addAction(QStringLiteral("C&lear"), SiteMemo, &QPlainTextEdit::clear);
    connect(SiteMemo, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { MemoMenu->popup(SiteMemo->viewport()->mapToGlobal(at)); });
    connect(btnRename, &QPushButton::clicked, this, &TfrmSite::btnRenameClick);
    connect(btnBrowseLocal, &QPushButton::clicked, this, &TfrmSite::btnBrowseLocalClick);
    return tab;
}

QWidget* TfrmSite::buildAdvancedTab()
{
    auto* tab = new QWidget(this);
    auto* grid = new QGridLayout(tab);
    auto* fields = new QFormLayout;
    cboServerType = new QComboBox(tab);
    cboServerType->setObjectName(QStringLiteral("cboServerType"));
    cboServerType->addItems(serverTypeNames());
    fields->addRow(QStringLiteral("Server Type"), cboServerType);
    txtAccount = lineEdit("txtAccount", tab);
    fields->addRow(QStringLiteral("Account"), txtAccount);
    txtTimeout = lineEdit("txtTimeout", tab);
    fields->addRow(QStringLiteral("Timeout"), txtTimeout);
    txtLocalFilter = lineEdit("txtLocalFilter", tab);
    fields->addRow(QStringLiteral("Local Filter"), txtLocalFilter);
    txtRemoteFilter = lineEdit("txtRemoteFilter", tab);
    fields->addRow(QStringLiteral("Remote Filter"), txtRemoteFilter);
    txtRetry = lineEdit("txtRetry", tab);
    fields->addRow(QStringLiteral("Retry"), txtRetry);
    grid->addLayout(fields, 0, 0, 2, 1);

    auto* modeBox = new QGroupBox(QStringLiteral("Transfer Mode"), tab);
    modeBox->setObjectName(QStringLiteral("grpTransMode"));
    auto* modeLayout = new QVBoxLayout(modeBox);
    grpTransMode = new QButtonGroup(modeBox);
    const QString modes[] = {QStringLiteral("ASCII"), QStringLiteral("Binary"), QStringLiteral("Auto"),
                             QStringLiteral("Use Default")};
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(modes[i], modeBox);
        grpTransMode->addButton(radio, i);
        modeLayout->addWidget(radio);
    }
    grid->addWidget(modeBox, 0, 1);

    auto* switches = new QVBoxLayout;
    chkAntiIdle = checkBox("chkAntiIdle", QStringLiteral("Anti-idle"), tab, true);
    chkLog = checkBox("chkLog", QStringLiteral("Log session"), tab, true);
    chkRestoreState = checkBox("chkRestoreState", QStringLiteral("Restore state"), tab, true);
    chkShowhidden = checkBox("chkShowhidden", QStringLiteral("Show hidden files"), tab, true);
    chkRenameExt = checkBox("chkRenameExt", QStringLiteral("Rename extensions"), tab, false);
    for (QCheckBox* box : {chkAntiIdle, chkLog, chkRestoreState, chkShowhidden, chkRenameExt})
        switches->addWidget(box);
    switches->addStretch(1);
    grid->addLayout(switches, 1, 1);
    grid->setColumnStretch(0, 1);
    return tab;
}

QWidget* TfrmSite::buildStatsTab()
{
    auto* tab = new QWidget(this);
    auto* form = new QFormLayout(tab);
    const auto value = [tab](const char* name) {
        auto* label = new QLabel(tab);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    lblConnects = value("lblConnects");
    lblLastConnect = value("lblLastConnect");
    lblFilesUp = value("lblFilesUp");
    lblFilesDown = value("lblFilesDown");
    lblBytesUp = value("lblBytesUp");
    lblBytesDown = value("lblBytesDown");
    form->addRow(QStringLiteral("Total Connects:"), lblConnects);
    form->addRow(QStringLiteral("Last Connected:"), lblLastConnect);
    form->addRow(QStringLiteral("Files Uploaded:"), lblFilesUp);
    form->addRow(QStringLiteral("Files Downloaded:"), lblFilesDown);
    form->addRow(QStringLiteral("Bytes Uploaded:"), lblBytesUp);
    form->addRow(QStringLiteral("Bytes Downloaded:"), lblBytesDown);
    btnResetStats = button("btnResetStats", QStringLiteral("&Reset"), tab);
    auto* resetRow = new QHBoxLayout;
    resetRow->addWidget(btnResetStats);
    resetRow->addStretch(1);
    form->addRow(QString(), resetRow);
    connect(btnResetStats, &QPushButton::clicked, this, &TfrmSite::btnResetStatsClick);
    return tab;
}

QWidget* TfrmSite::buildBottomButtons()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    btnAddGroup = button("btnAddGroup", QStringLiteral("A&dd Group"), row);
    btnDeleteGroup = button("btnDeleteGroup", QStringLiteral("D&elete Group"), row);
    btnImport = button("btnImport", QStringLiteral("&Import"), row);
    btnConnect = button("btnConnect", QStringLiteral("C&onnect"), row);
    btnExit = button("btnExit", QStringLiteral("E&xit"), row);
    // Enter closes the dialog.
    btnExit->setAutoDefault(true);
    btnExit->setDefault(true);
    for (QPushButton* b : {btnAddGroup, btnDeleteGroup, btnImport})
        layout->addWidget(b);
    layout->addStretch(1);
    layout->addWidget(btnConnect);
    layout->addWidget(btnExit);
    connect(btnAddGroup, &QPushButton::clicked, this, &TfrmSite::btnAddGroupClick);
    connect(btnDeleteGroup, &QPushButton::clicked, this, &TfrmSite::btnDeleteGroupClick);
    connect(btnImport, &QPushButton::clicked, this, &TfrmSite::btnImportClick);
    connect(btnConnect, &QPushButton::clicked, this, &TfrmSite::btnConnectClick);
    connect(btnExit, &QPushButton::clicked, this, &TfrmSite::btnExitClick);
    return row;
}

bool TfrmSite::SiteShown() const
{
    return SitePanel->currentIndex() == 1;
}

void TfrmSite::showSitePanel(bool shown)
{
    SitePanel->setCurrentIndex(shown ? 1 : 0);
}

// Closing (Exit, Escape, the window's close button, Connect) always rebuilds the group menu.
void TfrmSite::done(int result)
{
    emit groupMenuChanged();
    QDialog::done(result);
}

// The press on the list runs the pending-changes check before the selection moves; a
// refused save swallows the press, so the shown site stays.
bool TfrmSite::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == SiteList->viewport()) {
        if (event->type() == QEvent::MouseButtonPress && !SiteListMouseDown())
            return true;
        if (event->type() == QEvent::MouseButtonRelease)
            QMetaObject::invokeMethod(this, &TfrmSite::SiteListMouseUp, Qt::QueuedConnection);
    }
    return QDialog::eventFilter(watched, event);
}
