// The main window's commands with their enabled rules, its menus and toolbar, the About
// window and the help page.
#include "app/mainwindow.h"

#include "app/commandregistry.h"
#include "app/filepanel.h"
#include "app/mainbrowser.h"
#include "app/mainscripts.h"
#include "app/maincustom.h"
#include "app/maineditview.h"
#include "app/mainprefs.h"
#include "app/mainfileops.h"
#include "app/mainsites.h"
#include "app/maintransfers.h"
#include "app/queuecontroller.h"
#include "app/quickconnectbar.h"
#include "console/xconsole.h"
#include "controls/orvoview.h"
#include "engine/ftp.h"
#include "fileops/programlauncher.h"
#include "platform/core/prompt.h"
#include "session/sessioncontroller.h"
#include "settings/settingsstore.h"
#include "transfers/transferqueue.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace {

using Rule = CommandRegistry::Rule;

const Rule whenIdle = [](const CommandContext& c) { return c.idle(); };

void showAbout(QWidget* parent)
{
    auto* about = new QDialog(parent);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->setWindowTitle(QStringLiteral("About OrvoFTP"));
    auto* layout = new QVBoxLayout(about);
    auto* icon = new QLabel(about);
    icon->setPixmap(parent->windowIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    for (const QString& line : {QStringLiteral("File Transfer Protocol Client"), QString::fromLatin1(TfrmMain::Caption)}) {
        auto* label = new QLabel(line, about);
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox(about);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, about, &QDialog::accept);
    layout->addWidget(buttons);
    about->show();
}

// The help page ships inside the program; it is written next to the settings so the
// desktop's browser can open it.
void showHelp(const QString& programDir)
{
    const QString target = programDir + QStringLiteral("OrvoFTP.html");
    QFile page(QStringLiteral(":/help/orvoftp.html"));
    QFile out(target);
    if (page.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write(page.readAll());
    out.close();
    QDesktopServices::openUrl(QUrl::fromLocalFile(target));
}

}  // namespace

CommandContext TfrmMain::commandContext() const
{
    CommandContext context;
    context.state = Session->State();
    context.remoteFocused = m_active == RemotePanel;
    if (m_active) {
        for (const int row : m_active->View()->SelectedRows()) {
            if (const FileEntry* entry = m_active->EntryAt(row)) {
                ++context.selected;
                context.folderSelected = context.folderSelected || entry->isFolder();
            }
        }
    }
    context.serverText = !QuickConnect->ServerText().isEmpty();
    context.siteShown = context.serverText && !Session->CurrentSiteName().isEmpty();
    context.connected = Session->Ftp().SessionConnected();
    context.queueEntries = QueueModel->count();
    context.queueSelected = QueueControl ? QueueControl->SelectedCount() : 0;
    return context;
}

void TfrmMain::buildCommands()
{
    Commands->setContextSource([this] { return commandContext(); });
    buildConnectionCommands();
    SiteMenus = new MainSites(*this);
    SiteMenus->buildCommands();
    buildViewCommands();
    Transfers = new MainTransfers(*this);
    Transfers->RegisterCommands(*Commands);
    QueueControl = new QueueController(*this);
    QueueControl->RegisterCommands(*Commands);
    Transfers->Wire();
    FileOps = new MainFileOps(*this);
    FileOps->RegisterCommands(*Commands);
    EditView = new MainEditView(*this);
    EditView->RegisterCommands(*Commands);
    Browsers = new MainBrowsers(*this);
    Browsers->RegisterCommands(*Commands);
    Prefs = new MainPreferences(*this);
    Prefs->buildCommands();
    CustomCommands = new MainCustomCommands(*this);
    CustomCommands->buildCommands();
    // Scripts carry out the commands of all of the above.
    Scripts = new MainScripts(*this);
    Scripts->buildCommands();
}

void TfrmMain::buildConnectionCommands()
{
    CommandRegistry& c = *Commands;
    QStyle* look = style();
    QAction* connectCmd = c.add(QStringLiteral("btnConnect"), QStringLiteral("&Connect"), [this] { btnConnectClick(); },
                                [](const CommandContext& x) { return x.state == SessionState::NotConnected && x.serverText; });
    connectCmd->setIconText(QStringLiteral("Connect"));
    connectCmd->setIcon(look->standardIcon(QStyle::SP_DialogApplyButton));
    QAction* disconnectCmd = c.add(QStringLiteral("btnDisconnect"), QStringLiteral("&Disconnect"), [this] { Session->Disconnect(); },
                                   [](const CommandContext& x) {
                                       return x.state != SessionState::NotConnected && x.state != SessionState::StartingUp;
                                   });
    disconnectCmd->setIconText(QStringLiteral("Disconnect"));
    disconnectCmd->setIcon(look->standardIcon(QStyle::SP_DialogCloseButton));
    c.add(QStringLiteral("mnuReconnect"), QStringLiteral("&Re-connect"), [this] { Session->Reconnect(); },
          [](const CommandContext& x) { return x.serverText && x.state != SessionState::StartingUp; });
    QAction* abortCmd = c.add(QStringLiteral("btnAbort"), QStringLiteral("&Abort"), [this] { Session->Abort(); });
    abortCmd->setIconText(QStringLiteral("Abort"));
    abortCmd->setIcon(look->standardIcon(QStyle::SP_BrowserStop));
    c.add(QStringLiteral("mnuRawCmd"), QStringLiteral("&Raw Command"), [this] { mnuRawCmdClick(); }, whenIdle);
    c.add(QStringLiteral("mnuSaveListing"), QStringLiteral("&Save"), [this] { mnuSaveListingClick(); }, whenIdle);
    c.add(QStringLiteral("mnuPrintListing"), QStringLiteral("&Print"), [this] { mnuPrintListingClick(); }, whenIdle);
    c.add(QStringLiteral("mnuExit"), QStringLiteral("E&xit"), [this] { close(); });

    c.addToggle(QStringLiteral("mnuShowToolbar"), QStringLiteral("Show &Toolbar"), [this](bool on) { ToolBar->setVisible(on); });
    c.addToggle(QStringLiteral("mnuShowPrompts"), QStringLiteral("Sh&ow Prompts"),
                [this](bool on) { QuickConnect->PanelInfo->setVisible(on); });
    c.addToggle(QStringLiteral("mnuShowQueue"), QStringLiteral("Show &Queue"), [this](bool on) { Queue->setVisible(on); });
    c.addToggle(QStringLiteral("mnuIdle"), QStringLiteral("Anti-&Idle"), [this](bool on) { Session->SetAntiIdle(on); });
    c.addToggle(QStringLiteral("mnuSiteResumes"), QStringLiteral("Site R&esumes"),
                [this](bool on) { Session->SetSiteResumes(on); }, [](const CommandContext& x) {
                    return x.state != SessionState::NotConnected && x.state != SessionState::Connecting
                           && x.state != SessionState::StartingUp;
                });
    c.addToggle(QStringLiteral("mnuHalt"), QStringLiteral("&Halt Transfer"), [this](bool) {
        const auto answer = prompts().messageBox(QStringLiteral("Stop transfer after current file has finished ?"),
                                                 QString::fromLatin1(Caption), Prompt::Icon::Information,
                                                 Prompt::Yes | Prompt::No);
        command(QStringLiteral("mnuHalt"))->setChecked(answer == Prompt::Yes);
    }, [](const CommandContext& x) { return x.transferRunning(); });
    auto* completion = new QActionGroup(this);
    for (const auto& [id, text] : {std::pair{"mnuCompleteIdle", "&Idle"}, std::pair{"mnuCompleteDisconnect", "&Disconnect"},
                                   std::pair{"mnuCompleteHangup", "&Hangup ISP"}, std::pair{"mnuCompleteQuit", "&Quit OrvoFTP"}})
        completion->addAction(c.addToggle(QString::fromLatin1(id), QString::fromLatin1(text), nullptr));
    c.addToggle(QStringLiteral("mnuShowLinks"), QStringLiteral("&Show Links"), [this](bool on) {
        Session->Remote().filter().showLinks = on;
        Session->RefilterRemote();
    });
    c.addToggle(QStringLiteral("mnuResolveFile"), QStringLiteral("&Resolve Links as Files"), [this](bool on) {
        Session->Remote().filter().resolveLinks = on;
        Session->RefilterRemote();
    });
    c.add(QStringLiteral("mnuHide"), QStringLiteral("&Hide"), [this] { mnuHideClick(); });
    c.add(QStringLiteral("mnuClearHistory"), QStringLiteral("Clear Login &History"), [this] { QuickConnect->ClearHistory(); });
    c.add(QStringLiteral("mnuCopyLog"), QStringLiteral("&Copy Log to Clipboard"), [this] { Memo1->CopyAll(); });

    c.add(QStringLiteral("mnuRunProgram"), QStringLiteral("Run &Program"), [] {
        // The chosen file is one path, never a command line to split.
        if (const auto program = prompts().openFile(QStringLiteral("Run Program"), QString(), QStringLiteral("All files|*")))
            OpenLocalFile(*program);
    });
    c.add(QStringLiteral("mnuOpenUrl"), QStringLiteral("&Open URL"), [] {
        const auto url = prompts().inputBox(QStringLiteral("Open URL"), QStringLiteral("URL to Open"), QStringLiteral("http://"));
        if (url && !url->isEmpty())
            QDesktopServices::openUrl(QUrl::fromUserInput(*url));
    });
    c.add(QStringLiteral("mnuContents"), QStringLiteral("&Contents"), [this] { showHelp(ProgramDir); });
    c.add(QStringLiteral("mnuAbout"), QStringLiteral("&About..."), [this] { showAbout(this); });
}

void TfrmMain::buildMenus()
{
    QMenuBar* bar = menuBar();
    const auto add = [this](QMenu* menu, std::initializer_list<const char*> ids) {
        for (const char* id : ids) {
            if (*id == '-')
                menu->addSeparator();
            else
                menu->addAction(command(QString::fromLatin1(id)));
        }
    };
    const auto refresh = [this] {
        Commands->update();
        updateViewChecks();
    };

    QMenu* server = bar->addMenu(QStringLiteral("&Server"));
    add(server, {"btnConnect", "btnDisconnect", "mnuReconnect", "btnAbort", "-", "mnuRawCmd", "-", "mnuSaveListing",
                 "mnuPrintListing", "-", "mnuExit"});
    connect(server, &QMenu::aboutToShow, this, refresh);

    QMenu* sites = bar->addMenu(QStringLiteral("S&ites"));
    add(sites, {"mnuSiteManager", "-", "mnuAddCurrentSite", "mnuEditCurrentSite", "mnuCreateShortcut", "-",
                "mnuSaveLocalPath", "mnuSaveRemotePath", "-", "mnuBrowseServer", "mnuNewSession"});
    connect(sites, &QMenu::aboutToShow, this, refresh);

    QMenu* directory = bar->addMenu(QStringLiteral("&Directory"));
    add(directory, {"mnuRefresh", "mnuChangeDir", "-", "mnuFilterFiles", "mnuFilterDirs", "-", "mnuFindFile",
                    "mnuFindNext", "-", "mnuGroupSelect", "mnuSelectAll", "mnuInvertSelection", "-"});
    QMenu* styles = directory->addMenu(QStringLiteral("View St&yle"));
    add(styles, {"mnuLargeIcons", "mnuSmallIcons", "mnuListStyle", "mnuDetails", "-", "mnuLineUp", "mnuAutoArrange"});
    QMenu* sort = directory->addMenu(QStringLiteral("S&ort"));
    add(sort, {"mnuSortName", "mnuSortSize", "mnuSortDate", "mnuSortExtension"});
    add(directory, {"-", "mnuFlushCache", "mnuViewRaw"});
    connect(directory, &QMenu::aboutToShow, this, refresh);

    FileOps->CustomCommandsMenu = CustomCommands->Menu;
    bar->addMenu(FileOps->BuildMenu(this));
    bar->addMenu(QueueControl->BuildMenu(this));

    QMenu* options = bar->addMenu(QStringLiteral("O&ptions"));
    add(options, {"mnuShowToolbar", "mnuShowPrompts", "mnuShowQueue", "-", "mnuIdle", "mnuSiteResumes", "mnuHalt"});
    QMenu* complete = options->addMenu(QStringLiteral("T&ransfer Complete"));
    add(complete, {"mnuCompleteIdle", "mnuCompleteDisconnect", "mnuCompleteHangup", "mnuCompleteQuit"});
    add(options, {"-", "mnuShowLinks", "mnuResolveFile", "-", "mnuHide", "mnuClearHistory", "mnuCopyLog", "-"});
    options->addMenu(Prefs->BuildMenu(options));
    connect(options, &QMenu::aboutToShow, this, [this] {
        command(QStringLiteral("mnuShowQueue"))->setChecked(Queue->isVisibleTo(this));
        command(QStringLiteral("mnuShowToolbar"))->setChecked(ToolBar->isVisibleTo(this));
        command(QStringLiteral("mnuShowPrompts"))->setChecked(QuickConnect->PanelInfo->isVisibleTo(this));
        Commands->update();
    });

    QMenu* tools = bar->addMenu(QStringLiteral("&Tools"));
    add(tools, {"mnuRunProgram", "mnuOpenUrl", "-", "mnuRunScript", "mnuScriptCommand", "mnuScriptShortcut", "-",
                "mnuDDEClient"});
    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    add(help, {"mnuContents", "mnuAbout"});

    // The views' right-button menu.
    PopupView = new QMenu(this);
    PopupView->setObjectName(QStringLiteral("PopupView"));
    add(PopupView, {"mnuLargeIcons", "mnuSmallIcons", "mnuListStyle", "mnuDetails", "-", "mnuLineUp",
                    "mnuAutoArrange", "-", "mnuSortName", "mnuSortSize", "mnuSortDate", "mnuSortExtension", "-",
                    "mnuGroupSelect", "mnuSelectAll", "mnuInvertSelection", "-", "mnuRefresh", "mnuChangeDir"});
    connect(PopupView, &QMenu::aboutToShow, this, refresh);
    QueueControl->AddToViewMenu(PopupView);
    PopupCommand = FileOps->BuildPopup(this);
    // Its transfer entry reads "Download" over the remote view and "Upload" over the local one.
    connect(PopupCommand, &QMenu::aboutToShow, this, [this] {
        command(QStringLiteral("popDownload"))->setText(m_active == RemotePanel ? QStringLiteral("Download")
                                                                                : QStringLiteral("Upload"));
    });
}

void TfrmMain::buildToolBar()
{
    ToolBar = addToolBar(QStringLiteral("Toolbar"));
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (const char* id : {"btnConnect", "btnDisconnect", "btnAbort", "mnuSiteManager", "mnuAddCurrentSite", "mnuCreateShortcut"})
        ToolBar->addAction(command(QString::fromLatin1(id)));
    QueueControl->AddToolButtons(ToolBar);
    ToolBar->addAction(command(QStringLiteral("mnuGeneral")));
    EditView->AddToolButtons(ToolBar);
    FileOps->AddToolButtons(ToolBar);
}
