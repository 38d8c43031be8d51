// The main window's menus, toolbar, the About window and the help page.
#include "app/mainwindow.h"

#include "console/xconsole.h"
#include "controls/orvoview.h"
#include "platform/prompt.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
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

void TfrmMain::buildMenus()
{
    QMenuBar* bar = menuBar();

    mnuServerMenu = bar->addMenu(QStringLiteral("&Server"));
    btnConnect = mnuServerMenu->addAction(QStringLiteral("&Connect"), this, &TfrmMain::btnConnectClick);
    btnConnect->setIconText(QStringLiteral("Connect"));
    btnConnect->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    btnDisconnect = mnuServerMenu->addAction(QStringLiteral("&Disconnect"), this, &TfrmMain::btnDisconnectClick);
    btnDisconnect->setIconText(QStringLiteral("Disconnect"));
    btnDisconnect->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    mnuReconnect = mnuServerMenu->addAction(QStringLiteral("&Re-connect"), this, &TfrmMain::mnuReconnectClick);
    btnAbort = mnuServerMenu->addAction(QStringLiteral("&Abort"), this, &TfrmMain::btnAbortClick);
    btnAbort->setIconText(QStringLiteral("Abort"));
    btnAbort->setIcon(style()->standardIcon(QStyle::SP_BrowserStop));
    mnuServerMenu->addSeparator();
    mnuRawCmd = mnuServerMenu->addAction(QStringLiteral("&Raw Command"), this, &TfrmMain::mnuRawCmdClick);
    mnuServerMenu->addSeparator();
    mnuServerMenu->addAction(QStringLiteral("E&xit"), this, &QWidget::close);
    connect(mnuServerMenu, &QMenu::aboutToShow, this, [this] {
        mnuRawCmd->setEnabled(State == SessionState::Idle);
        mnuReconnect->setEnabled(!txtFTPServer->currentText().isEmpty());
    });

    mnuOptionsMenu = bar->addMenu(QStringLiteral("O&ptions"));
    mnuShowToolbar = mnuOptionsMenu->addAction(QStringLiteral("Show &Toolbar"));
    mnuShowToolbar->setCheckable(true);
    connect(mnuShowToolbar, &QAction::triggered, this, [this](bool on) { ToolBar->setVisible(on); });
    mnuShowPrompts = mnuOptionsMenu->addAction(QStringLiteral("Sh&ow Prompts"));
    mnuShowPrompts->setCheckable(true);
    connect(mnuShowPrompts, &QAction::triggered, this, [this](bool on) { PanelInfo->setVisible(on); });
    mnuShowQueue = mnuOptionsMenu->addAction(QStringLiteral("Show &Queue"));
    mnuShowQueue->setCheckable(true);
    connect(mnuShowQueue, &QAction::triggered, this, [this](bool on) { Queue->setVisible(on); });
    mnuOptionsMenu->addSeparator();
    mnuIdle = mnuOptionsMenu->addAction(QStringLiteral("Anti-&Idle"));
    mnuIdle->setCheckable(true);
    mnuSiteResumes = mnuOptionsMenu->addAction(QStringLiteral("Site R&esumes"));
    mnuSiteResumes->setCheckable(true);
    mnuHalt = mnuOptionsMenu->addAction(QStringLiteral("&Halt Transfer"));
    mnuHalt->setCheckable(true);
    connect(mnuHalt, &QAction::triggered, this, [this] {
        const auto answer = prompts().messageBox(QStringLiteral("Stop transfer after current file has finished ?"),
                                                 QString::fromLatin1(Caption), Prompt::Icon::Information,
                                                 Prompt::Yes | Prompt::No);
        mnuHalt->setChecked(answer == Prompt::Yes);
    });
    QMenu* complete = mnuOptionsMenu->addMenu(QStringLiteral("T&ransfer Complete"));
    auto* completion = new QActionGroup(this);
    mnuCompleteIdle = complete->addAction(QStringLiteral("&Idle"));
    mnuCompleteDisconnect = complete->addAction(QStringLiteral("&Disconnect"));
    mnuCompleteHangup = complete->addAction(QStringLiteral("&Hangup ISP"));
    mnuCompleteQuit = complete->addAction(QStringLiteral("&Quit OrvoFTP"));
    for (QAction* action : {mnuCompleteIdle, mnuCompleteDisconnect, mnuCompleteHangup, mnuCompleteQuit}) {
        action->setCheckable(true);
        completion->addAction(action);
    }
    mnuOptionsMenu->addSeparator();
    mnuShowLinks = mnuOptionsMenu->addAction(QStringLiteral("&Show Links"));
    mnuShowLinks->setCheckable(true);
    mnuResolveFile = mnuOptionsMenu->addAction(QStringLiteral("&Resolve Links as Files"));
    mnuResolveFile->setCheckable(true);
    mnuOptionsMenu->addSeparator();
    mnuHide = mnuOptionsMenu->addAction(QStringLiteral("&Hide"), this, &TfrmMain::mnuHideClick);
    mnuClearHistory = mnuOptionsMenu->addAction(QStringLiteral("Clear Login &History"), this, [this] {
        const QString text = txtFTPServer->currentText();
        m_suppressServerChange = true;
        txtFTPServer->clear();
        txtFTPServer->setEditText(text);
        m_suppressServerChange = false;
    });
    mnuOptionsMenu->addAction(QStringLiteral("&Copy Log to Clipboard"), this, [this] { Memo1->CopyAll(); });
    connect(mnuOptionsMenu, &QMenu::aboutToShow, this, &TfrmMain::updateOptionsMenu);

    mnuToolsMenu = bar->addMenu(QStringLiteral("&Tools"));
    mnuToolsMenu->addAction(QStringLiteral("Run &Program"), this, &TfrmMain::mnuRunProgramClick);
    mnuToolsMenu->addAction(QStringLiteral("&Open URL"), this, &TfrmMain::mnuOpenUrlClick);

    mnuHelpMenu = bar->addMenu(QStringLiteral("&Help"));
    mnuHelpMenu->addAction(QStringLiteral("&Contents"), this, &TfrmMain::ShowHelp);
    mnuHelpMenu->addAction(QStringLiteral("&About..."), this, &TfrmMain::ShowAbout);

    buildViewMenus();
}

void TfrmMain::buildToolBar()
{
    ToolBar = addToolBar(QStringLiteral("Toolbar"));
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolBar->addAction(btnConnect);
    ToolBar->addAction(btnDisconnect);
    ToolBar->addAction(btnAbort);
}

void TfrmMain::setCompletionAction(int option)
{
    QAction* const entries[] = {mnuCompleteIdle, mnuCompleteDisconnect, mnuCompleteHangup, mnuCompleteQuit};
    entries[option >= 0 && option <= 3 ? option : 0]->setChecked(true);
}

void TfrmMain::ShowAbout()
{
    auto* about = new QDialog(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->setWindowTitle(QStringLiteral("About OrvoFTP"));
    auto* layout = new QVBoxLayout(about);
    auto* icon = new QLabel(about);
    icon->setPixmap(windowIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    for (const QString& line : {QStringLiteral("File Transfer Protocol Client"), QString::fromLatin1(Caption)}) {
        auto* label = new QLabel(line, about);
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox(about);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, about, &QDialog::accept);
    layout->addWidget(buttons);
    about->show();
}

void TfrmMain::ShowHelp()
{
    // The help page ships inside the program; it is written next to the settings so the
    // desktop's browser can open it.
    const QString target = ProgramDir + QStringLiteral("OrvoFTP.html");
    QFile page(QStringLiteral(":/help/orvoftp.html"));
    QFile out(target);
    if (page.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write(page.readAll());
    out.close();
    QDesktopServices::openUrl(QUrl::fromLocalFile(target));
}
