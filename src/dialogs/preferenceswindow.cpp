// The preferences window: building its nine pages and buttons.
#include "dialogs/preferenceswindow.h"

#include "controls/orvoview.h"
#include "dialogs/formparts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace FormParts;

namespace {

const QStringList SoundChoices = {QStringLiteral("(none)"), QStringLiteral("Asterisk"),    QStringLiteral("Beep"),
                                  QStringLiteral("Exclamation"), QStringLiteral("Question"), QStringLiteral("Stop"),
                                  QStringLiteral("<WAV File>")};
const QStringList DuplicateChoices = {QStringLiteral("Ask"), QStringLiteral("Resume"), QStringLiteral("Overwrite"),
                                      QStringLiteral("Skip")};

QGroupBox* frame(const QString& title, QWidget* parent)
{
    auto* box = new QGroupBox(title, parent);
    new QVBoxLayout(box);
    return box;
}

void addTo(QGroupBox* box, std::initializer_list<QWidget*> widgets)
{
    for (QWidget* widget : widgets)
        box->layout()->addWidget(widget);
}

}  // namespace

TfrmPref::TfrmPref(SettingsStore& settings, const PreferencesValues& initial, const QFont& viewFont, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_initial(initial)
{
    setObjectName(QStringLiteral("frmPref"));
    setWindowTitle(QString::fromLatin1(Caption));
    auto* outer = new QVBoxLayout(this);
    Tabs = new QTabWidget(this);
    Tabs->setObjectName(QStringLiteral("Tabs"));
    Tabs->addTab(buildGeneralPage(), QStringLiteral("General"));
    Tabs->addTab(buildAdvancedPage(), QStringLiteral("Advanced"));
    Tabs->addTab(buildViewPage(), QStringLiteral("View"));
    Tabs->addTab(buildOptionsPage(), QStringLiteral("Options"));
    Tabs->addTab(buildTransferPage(), QStringLiteral("Transfer"));
    Tabs->addTab(buildSkipPage(), QStringLiteral("Skip List"));
    Tabs->addTab(buildEditorsPage(), QStringLiteral("Editors"));
    Tabs->addTab(buildDDEPage(), QStringLiteral("DDE"));
    Tabs->addTab(buildProxyPage(), QStringLiteral("Proxy"));
    outer->addWidget(Tabs, 1);
    outer->addWidget(buildButtons());

    pnlFont->setFont(viewFont);
    ShowValues(initial);
    wireFields();
    updateEnabled();
    resize(660, 460);
}

QWidget* TfrmPref::buildGeneralPage()
{
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    txtEmail = lineEdit("txtEmail", page);
    form->addRow(QStringLiteral("E-mail address"), txtEmail);
    txtLocalPath = lineEdit("txtLocalPath", page);
    btnLocalPath = button("btnLocalPath", QStringLiteral("?"), page);
    form->addRow(QStringLiteral("Default Local Path"), withButtons(txtLocalPath, {btnLocalPath}));
    chkLog = checkBox("chkLog", QStringLiteral("Enable Logging"), page);
    form->addRow(QString(), chkLog);
    txtLogFile = lineEdit("txtLogFile", page);
    btnLogFile = button("btnLogFile", QStringLiteral("?"), page);
    form->addRow(QStringLiteral("Log File"), withButtons(txtLogFile, {btnLogFile}));

    auto* viewerBox = new QGroupBox(QStringLiteral("File Viewer:"), page);
    auto* viewerLayout = new QGridLayout(viewerBox);
    radDefault = new QRadioButton(QStringLiteral("Use default viewer"), viewerBox);
    radDefault->setObjectName(QStringLiteral("radDefault"));
    radViewer = new QRadioButton(QStringLiteral("Use viewer:"), viewerBox);
    radViewer->setObjectName(QStringLiteral("radViewer"));
    txtViewer = lineEdit("txtViewer", viewerBox);
    btnViewer = button("btnViewer", QStringLiteral("?"), viewerBox);
    viewerLayout->addWidget(radDefault, 0, 0, 1, 2);
    viewerLayout->addWidget(radViewer, 1, 0);
    viewerLayout->addLayout(withButtons(txtViewer, {btnViewer}), 1, 1);
    form->addRow(viewerBox);

    connect(btnLocalPath, &QPushButton::clicked, this, &TfrmPref::btnLocalPathClick);
    connect(btnLogFile, &QPushButton::clicked, this, &TfrmPref::btnLogFileClick);
    connect(btnViewer, &QPushButton::clicked, this,
            [this] { chooseProgram(txtViewer, QStringLiteral("Select default viewer")); });
    return page;
}

QWidget* TfrmPref::buildAdvancedPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    txtTimeout = lineEdit("txtTimeout", page);
    txtRetry = lineEdit("txtRetry", page);
    txtRetryDelay = lineEdit("txtRetryDelay", page);
    for (QLineEdit* edit : {txtTimeout, txtRetry, txtRetryDelay})
        edit->setMaximumWidth(80);
    form->addRow(QStringLiteral("Connect Timeout"), txtTimeout);
    form->addRow(QStringLiteral("Retry Count"), txtRetry);
    form->addRow(QStringLiteral("Retry Delay"), txtRetryDelay);
    cboDoubleClick = comboBox("cboDoubleClick",
                              {QStringLiteral("Transfer"), QStringLiteral("View"), QStringLiteral("Edit"),
                               QStringLiteral("Queue")},
                              page);
    form->addRow(QStringLiteral("Double-Click Action"), cboDoubleClick);
    layout->addLayout(form);

    auto* sounds = new QGroupBox(QStringLiteral(" Sounds "), page);
    auto* grid = new QFormLayout(sounds);
    cboConnectSound = comboBox("cboConnectSound", SoundChoices, sounds);
    txtConnectWAV = lineEdit("txtConnectWAV", sounds);
    btnConnectWAV = button("btnConnectWAV", QStringLiteral("?"), sounds);
    btnPlayConnect = button("btnPlayConnect", QStringLiteral("!"), sounds);
    grid->addRow(QStringLiteral("On Connect"), cboConnectSound);
    grid->addRow(QStringLiteral("Wav file"), withButtons(txtConnectWAV, {btnConnectWAV, btnPlayConnect}));
    cboTransferSound = comboBox("cboTransferSound", SoundChoices, sounds);
    txtTransferWAV = lineEdit("txtTransferWAV", sounds);
    btnTransferWAV = button("btnTransferWAV", QStringLiteral("?"), sounds);
    btnPlayTransfer = button("btnPlayTransfer", QStringLiteral("!"), sounds);
    grid->addRow(QStringLiteral("On Transfer Complete"), cboTransferSound);
    grid->addRow(QStringLiteral("Wav file"), withButtons(txtTransferWAV, {btnTransferWAV, btnPlayTransfer}));
    layout->addWidget(sounds);
    chkShowSiteManager = checkBox("chkShowSiteManager", QStringLiteral("Start with site manager"), page);
    layout->addWidget(chkShowSiteManager);
    layout->addStretch(1);

    connect(btnConnectWAV, &QPushButton::clicked, this, [this] { chooseWav(txtConnectWAV); });
    connect(btnTransferWAV, &QPushButton::clicked, this, [this] { chooseWav(txtTransferWAV); });
    connect(btnPlayConnect, &QPushButton::clicked, this, [this] { PlaySound(cboConnectSound, txtConnectWAV); });
    connect(btnPlayTransfer, &QPushButton::clicked, this, [this] { PlaySound(cboTransferSound, txtTransferWAV); });
    return page;
}

QWidget* TfrmPref::buildViewPage()
{
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);
    QGroupBox* box = nullptr;
    grpSortBy = radioGroup("grpSortBy", QStringLiteral(" Auto-Sort "),
                           {QStringLiteral("by Name"), QStringLiteral("by Size"), QStringLiteral("by Date"),
                            QStringLiteral("by Extension"), QStringLiteral("None")},
                           1, page, &box);
    grid->addWidget(box, 0, 0, 2, 1);
    grpSortAlpha = radioGroup("grpSortAlpha", QStringLiteral(" Directory Listing "),
                              {QStringLiteral("Directories on top"), QStringLiteral("Mix files/directories")}, 1, page,
                              &box);
    grid->addWidget(box, 2, 0);

    QGroupBox* local = frame(QStringLiteral(" Local View "), page);
    chkLocalRefresh = checkBox("chkLocalRefresh", QStringLiteral("Refresh after each file"), local);
    chkAutoSizeLocal = checkBox("chkAutoSizeLocal", QStringLiteral("Auto size columns"), local);
    addTo(local, {chkLocalRefresh, chkAutoSizeLocal});
    grid->addWidget(local, 0, 1);
    QGroupBox* remote = frame(QStringLiteral(" Remote View "), page);
    chkRemoteRefresh = checkBox("chkRemoteRefresh", QStringLiteral("Auto-refresh"), remote);
    chkAutoSizeRemote = checkBox("chkAutoSizeRemote", QStringLiteral("Auto size columns"), remote);
    addTo(remote, {chkRemoteRefresh, chkAutoSizeRemote});
    grid->addWidget(remote, 1, 1);
    QGroupBox* options = frame(QStringLiteral(" Options "), page);
    chkSelectLine = checkBox("chkSelectLine", QStringLiteral("Select entire line"), options);
    chkHideHeader = checkBox("chkHideHeader", QStringLiteral("Hide column headers"), options);
    addTo(options, {chkSelectLine, chkHideHeader});
    grid->addWidget(options, 2, 1);
    grid->setRowStretch(3, 1);
    return page;
}

QWidget* TfrmPref::buildOptionsPage()
{
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);
    btnFont = button("btnFont", QStringLiteral("&Font"), page);
    pnlFont = new QLabel(QStringLiteral("OrvoFTP"), page);
    pnlFont->setObjectName(QStringLiteral("pnlFont"));
    pnlFont->setFrameShape(QFrame::StyledPanel);
    pnlFont->setAlignment(Qt::AlignCenter);
    pnlFont->setMinimumHeight(40);
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(btnFont);
    fontRow->addWidget(pnlFont, 1);
    grid->addLayout(fontRow, 0, 0, 1, 2);

    QGroupBox* confirm = frame(QStringLiteral(" Confirmations "), page);
    chkConfirmDelete = checkBox("chkConfirmDelete", QStringLiteral("Delete files"), confirm);
    chkConfirmExit = checkBox("chkConfirmExit", QStringLiteral("Exit during transfer"), confirm);
    chkConfirmQueue = checkBox("chkConfirmQueue", QStringLiteral("Exit with non-empty queue"), confirm);
    chkConfirmMove = checkBox("chkConfirmMove", QStringLiteral("Move files"), confirm);
    addTo(confirm, {chkConfirmDelete, chkConfirmExit, chkConfirmQueue, chkConfirmMove});
    grid->addWidget(confirm, 1, 0);

    QGroupBox* idle = frame(QStringLiteral("Anti-Idle"), page);
    chkIdle = checkBox("chkIdle", QStringLiteral("Enable anti-idle"), idle);
    txtIdleInterval = lineEdit("txtIdleInterval", idle);
    txtIdleInterval->setMaximumWidth(60);
    auto* interval = new QWidget(idle);
    auto* intervalRow = new QHBoxLayout(interval);
    intervalRow->setContentsMargins(0, 0, 0, 0);
    intervalRow->addWidget(new QLabel(QStringLiteral("Interval"), interval));
    intervalRow->addWidget(txtIdleInterval);
    intervalRow->addWidget(new QLabel(QStringLiteral("(seconds)"), interval));
    intervalRow->addStretch(1);
    addTo(idle, {chkIdle, interval});
    grid->addWidget(idle, 2, 0);

    auto* switches = new QVBoxLayout;
    chkPreserveDate = checkBox("chkPreserveDate", QStringLiteral("Preserve server date"), page);
    chkHide = checkBox("chkHide", QStringLiteral("Hide on minimize"), page);
    // Without a notification area the hidden window could not be brought back.
    chkHide->setVisible(QSystemTrayIcon::isSystemTrayAvailable());
    chkShowHidden = checkBox("chkShowHidden", QStringLiteral("Show hidden files"), page);
    chkAutoSave = checkBox("chkAutoSave", QStringLiteral("Auto-save site entries"), page);
    chkShowMsg = checkBox("chkShowMsg", QStringLiteral("Show login message"), page);
    chkShowDirMsg = checkBox("chkShowDirMsg", QStringLiteral("Show directory messages"), page);
    chkFreeSpace = checkBox("chkFreeSpace", QStringLiteral("Check free space"), page);
    chkRestoreState = checkBox("chkRestoreState", QStringLiteral("Use external redialer"), page);
    for (QCheckBox* box : {chkPreserveDate, chkHide, chkShowHidden, chkAutoSave, chkShowMsg, chkShowDirMsg,
                           chkFreeSpace, chkRestoreState})
        switches->addWidget(box);
    switches->addStretch(1);
    grid->addLayout(switches, 1, 1, 2, 1);
    grid->setRowStretch(3, 1);
    connect(btnFont, &QPushButton::clicked, this, &TfrmPref::btnFontClick);
    return page;
}

QWidget* TfrmPref::buildTransferPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    cboDuplicateLocal = comboBox("cboDuplicateLocal", DuplicateChoices, page);
    cboDuplicateRemote = comboBox("cboDuplicateRemote", DuplicateChoices, page);
    cboTransferOption = comboBox("cboTransferOption",
                                 {QStringLiteral("Idle"), QStringLiteral("Disconnect from server"),
                                  QStringLiteral("Hangup ISP"), QStringLiteral("Quit OrvoFTP")},
                                 page);
    form->addRow(QStringLiteral("Duplicate local files"), cboDuplicateLocal);
    form->addRow(QStringLiteral("Duplicate remote files"), cboDuplicateRemote);
    form->addRow(QStringLiteral("On transfer complete"), cboTransferOption);
    layout->addLayout(form);
    auto* row = new QHBoxLayout;
    QGroupBox* box = nullptr;
    grpFileCase = radioGroup("grpFileCase", QStringLiteral("Filename case"),
                             {QStringLiteral("Ignore"), QStringLiteral("Convert to UPPERCASE"),
                              QStringLiteral("Convert to lowercase")},
                             1, page, &box);
    row->addWidget(box);
    grpTransferSpeed = radioGroup("grpTransferSpeed", QStringLiteral("Transfer Speed"),
                                  {QStringLiteral("k/sec"), QStringLiteral("cps")}, 1, page, &box);
    row->addWidget(box);
    layout->addLayout(row);
    layout->addStretch(1);
    return page;
}

QWidget* TfrmPref::buildSkipPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* text = new QLabel(QStringLiteral("The skip list allows you to define a list of wildcard masks of filenames "
                                           "that will not be transferred. "),
                            page);
    text->setWordWrap(true);
    layout->addWidget(text);
    chkEnableSkip = checkBox("chkEnableSkip", QStringLiteral("Enable skip list"), page);
    chkSkipNullFile = checkBox("chkSkipNullFile", QStringLiteral("Skip null (0 byte) files"), page);
    chkSkipEmptyDir = checkBox("chkSkipEmptyDir", QStringLiteral("Skip empty directories"), page);
    for (QCheckBox* box : {chkEnableSkip, chkSkipNullFile, chkSkipEmptyDir})
        layout->addWidget(box);
    auto* grid = new QGridLayout;
    txtSkipName = lineEdit("txtSkipName", page);
    SkipList = new QListWidget(page);
    SkipList->setObjectName(QStringLiteral("SkipList"));
    SkipList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    btnSkipAdd = button("btnSkipAdd", QStringLiteral("&Add"), page);
    btnSkipDelete = button("btnSkipDelete", QStringLiteral("&Delete"), page);
    grid->addWidget(txtSkipName, 0, 0);
    grid->addWidget(btnSkipAdd, 0, 1);
    grid->addWidget(SkipList, 1, 0, 2, 1);
    grid->addWidget(btnSkipDelete, 1, 1, Qt::AlignTop);
    layout->addLayout(grid, 1);
    connect(btnSkipAdd, &QPushButton::clicked, this, &TfrmPref::btnSkipAddClick);
    connect(btnSkipDelete, &QPushButton::clicked, this, &TfrmPref::btnSkipDeleteClick);
    return page;
}

QWidget* TfrmPref::buildEditorsPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* top = new QFormLayout;
    txtEditor = lineEdit("txtEditor", page);
    btnEditor = button("btnEditor", QStringLiteral("?"), page);
    top->addRow(QStringLiteral("Default Local Editor"), withButtons(txtEditor, {btnEditor}));
    layout->addLayout(top);
    EditorList = new TOrvoListView(page);
    EditorList->setObjectName(QStringLiteral("EditorList"));
    EditorList->SetViewStyle(vsReport);
    EditorList->AddColumn(QStringLiteral("Extension"), 140);
    EditorList->AddColumn(QStringLiteral("Editor"), 300);
    EditorList->SetRowSelect(true);
    EditorList->SetMultiSelect(true);
    layout->addWidget(EditorList, 1);
    auto* grid = new QGridLayout;
    txtEditExtension = lineEdit("txtEditExtension", page);
    txtEditEditor = lineEdit("txtEditEditor", page);
    btnEditEditor = button("btnEditEditor", QStringLiteral("?"), page);
    btnEditorAdd = button("btnEditorAdd", QStringLiteral("&Add"), page);
    btnEditorDelete = button("btnEditorDelete", QStringLiteral("&Delete"), page);
    grid->addWidget(new QLabel(QStringLiteral("Extension(s):"), page), 0, 0);
    grid->addWidget(txtEditExtension, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("(.htm;.html)"), page), 0, 2);
    grid->addWidget(btnEditorAdd, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Editor:"), page), 1, 0);
    grid->addLayout(withButtons(txtEditEditor, {btnEditEditor}), 1, 1, 1, 2);
    grid->addWidget(btnEditorDelete, 1, 3);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    connect(btnEditor, &QPushButton::clicked, this, [this] { chooseProgram(txtEditor, QStringLiteral("Select editor")); });
    connect(btnEditEditor, &QPushButton::clicked, this,
            [this] { chooseProgram(txtEditEditor, QStringLiteral("Select Editor")); });
    connect(btnEditorAdd, &QPushButton::clicked, this, &TfrmPref::btnEditorAddClick);
    connect(btnEditorDelete, &QPushButton::clicked, this, &TfrmPref::btnEditorDeleteClick);
    return page;
}

QWidget* TfrmPref::buildDDEPage()
{
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    txtService = lineEdit("txtService", page);
    txtTopic = lineEdit("txtTopic", page);
    txtCommand = lineEdit("txtCommand", page);
    form->addRow(QStringLiteral("Service"), txtService);
    form->addRow(QStringLiteral("Topic"), txtTopic);
    form->addRow(QStringLiteral("Command"), txtCommand);
    chkDDEPrompt = checkBox("chkDDEPrompt", QStringLiteral("Prompt for command"), page);
    chkDDEFilter = checkBox("chkDDEFilter", QStringLiteral("Filter commands"), page);
    chkDDEShow = checkBox("chkDDEShow", QStringLiteral("Show requests"), page);
    for (QCheckBox* box : {chkDDEPrompt, chkDDEFilter, chkDDEShow})
        form->addRow(QString(), box);
    return page;
}

QWidget* TfrmPref::buildProxyPage()
{
    auto* page = new QWidget(this);
    auto* grid = new QGridLayout(page);
    chkEnableProxy = checkBox("chkEnableProxy", QStringLiteral("&Enable Proxy"), page);
    grid->addWidget(chkEnableProxy, 0, 0, 1, 2);
    auto* form = new QFormLayout;
    txtProxyHost = lineEdit("txtProxyHost", page);
    txtProxyPort = lineEdit("txtProxyPort", page);
    txtProxyPort->setMaximumWidth(80);
    txtProxyUser = lineEdit("txtProxyUser", page);
    txtProxyPass = lineEdit("txtProxyPass", page);
    txtProxyPass->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("&Host"), txtProxyHost);
    form->addRow(QStringLiteral("&Port"), txtProxyPort);
    form->addRow(QStringLiteral("&Username"), txtProxyUser);
    form->addRow(QStringLiteral("Pass&word"), txtProxyPass);
    grid->addLayout(form, 1, 0);
    QGroupBox* box = nullptr;
    grpPasvMode = radioGroup("grpPasvMode", QString(),
                             {QStringLiteral("USER user@host"), QStringLiteral("USER login"),
                              QStringLiteral("SOCKS firewall"), QStringLiteral("SITE site")},
                             2, page, &box);
    grid->addWidget(box, 2, 0);
    chkPasvMode = checkBox("chkPasvMode", QStringLiteral("Use PASV mode"), page);
    grid->addWidget(chkPasvMode, 3, 0);
    auto* memo = new QVBoxLayout;
    memo->addWidget(new QLabel(QStringLiteral("Non-proxy hosts:"), page));
    MemoProxy = new QPlainTextEdit(page);
    MemoProxy->setObjectName(QStringLiteral("MemoProxy"));
    MemoProxy->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->addWidget(MemoProxy, 1);
    grid->addLayout(memo, 1, 1, 3, 1);
    grid->setRowStretch(4, 1);
    return page;
}

QWidget* TfrmPref::buildButtons()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    btnOK = button("btnOK", QStringLiteral("&OK"), row);
    btnOK->setAutoDefault(true);
    btnOK->setDefault(true);
    btnCancel = button("btnCancel", QStringLiteral("Ca&ncel"), row);
    layout->addStretch(1);
    layout->addWidget(btnOK);
    layout->addWidget(btnCancel);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    return row;
}
