// Commands on whichever file view has the focus: refresh, change directory, filters,
// selection, view styles, sorting, find; saving, printing and showing the remote listing;
// the site paths; the view parts of the settings.
#include "app/mainwindow.h"

#include "app/commandregistry.h"
#include "app/filepanel.h"
#include "app/findbox.h"
#include "app/listingprint.h"
#include "app/messagewindow.h"
#include "app/quickconnectbar.h"
#include "console/xconsole.h"
#include "controls/columnfit.h"
#include "controls/orvoview.h"
#include "engine/ftp.h"
#include "platform/core/apperror.h"
#include "platform/core/clock.h"
#include "platform/core/errorreport.h"
#include "platform/core/prompt.h"
#include "session/localdirectory.h"
#include "session/pathhelpers.h"
#include "session/sessioncontroller.h"
#include "session/viewtext.h"
#include "settings/settingsstore.h"
#include "sites/sitedatabase.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QPrinter>
#include <QSaveFile>

namespace {

// "*", "*.*" and nothing all mean every file.
QString normalisedMask(const QString& answer)
{
    if (answer.isEmpty() || answer == QLatin1String("*") || answer == QLatin1String("*.*"))
        return QStringLiteral("*.*");
    return answer;
}

int findRow(const TOrvoListView& view, const QString& text, int from)
{
    for (int row = qMax(0, from); row < view.Count(); ++row) {
        if (view.Item(row).Caption.contains(text, Qt::CaseInsensitive))
            return row;
    }
    return -1;
}

void selectFoundRow(TOrvoListView* view, int row)
{
    view->SetSelection({row});
    view->SetCurrentRow(row);
    view->setFocus();
    view->ScrollTo(row);
}

}  // namespace

void TfrmMain::buildViewCommands()
{
    CommandRegistry& c = *Commands;
    // Navigation: not while a transfer runs, and on the remote side only when idle.
    const CommandRegistry::Rule canNavigate = [](const CommandContext& x) {
        return !x.transferRunning() && (!x.remoteFocused || x.idle());
    };
    c.add(QStringLiteral("mnuRefresh"), QStringLiteral("&Refresh"), [this] { mnuRefreshClick(); }, canNavigate)
        ->setShortcut(Qt::Key_F5);
    c.add(QStringLiteral("mnuChangeDir"), QStringLiteral("C&hange Directory"), [this] { mnuChangeDirClick(); }, canNavigate);
    c.add(QStringLiteral("mnuFilterFiles"), QStringLiteral("Fi&lter Files"), [this] { mnuFilterFilesClick(); });
    c.addToggle(QStringLiteral("mnuFilterDirs"), QStringLiteral("Filter &Directories"), [this](bool) { mnuFilterDirsClick(); });
    c.add(QStringLiteral("mnuFindFile"), QStringLiteral("&Find File"), [this] { mnuFindFileClick(); })
        ->setShortcut(QKeySequence::Find);
    QAction* findNext = c.add(QStringLiteral("mnuFindNext"), QStringLiteral("F&ind Next"), [this] { mnuFindNextClick(); });
    findNext->setShortcut(Qt::Key_F3);
    findNext->setEnabled(false);  // until something was found
    c.add(QStringLiteral("mnuGroupSelect"), QStringLiteral("&Group Select"), [this] { mnuGroupSelectClick(); });
    c.add(QStringLiteral("mnuSelectAll"), QStringLiteral("&Select All"), [this] { SelectAllRows(m_active); });
    c.add(QStringLiteral("mnuInvertSelection"), QStringLiteral("&Invert Selection"), [this] { InvertSelection(m_active); });

    auto* styles = new QActionGroup(this);
    for (const auto& [id, text, style] :
         {std::tuple{"mnuLargeIcons", "Large Icons", vsIcon}, std::tuple{"mnuSmallIcons", "Small Icons", vsSmallIcon},
          std::tuple{"mnuListStyle", "List", vsList}, std::tuple{"mnuDetails", "Details", vsReport}}) {
        const int chosen = style;
        styles->addAction(c.addToggle(QString::fromLatin1(id), QString::fromLatin1(text),
                                      [this, chosen](bool) { SetFocusedViewStyle(chosen); }));
    }
    c.add(QStringLiteral("mnuLineUp"), QStringLiteral("Line Up Icons"), [this] { m_active->View()->Arrange(); });
    c.addToggle(QStringLiteral("mnuAutoArrange"), QStringLiteral("Auto Arrange"),
                [this](bool on) { m_active->View()->SetAutoArrange(on); });
    for (const auto& [id, text, column] :
         {std::tuple{"mnuSortName", "by Name", 0}, std::tuple{"mnuSortSize", "by Size", 1},
          std::tuple{"mnuSortDate", "by Date", 2}, std::tuple{"mnuSortExtension", "by Extension", 3}}) {
        const int chosen = column;
        c.add(QString::fromLatin1(id), QString::fromLatin1(text), [this, chosen] { SortFocusedView(chosen); });
    }
    c.add(QStringLiteral("mnuFlushCache"), QStringLiteral("Fl&ush Cache"), [this] { Session->FlushListingCache(); });
    c.add(QStringLiteral("mnuViewRaw"), QStringLiteral("&View Raw Directory"), [this] { mnuViewRawClick(); },
          [](const CommandContext& x) { return x.idle(); });
    c.add(QStringLiteral("mnuSaveLocalPath"), QStringLiteral("Save &Local Path"), [this] { mnuSaveLocalPathClick(); },
          [](const CommandContext& x) { return x.siteShown; })
        ->setShortcut(Qt::Key_F6);
    c.add(QStringLiteral("mnuSaveRemotePath"), QStringLiteral("Save &Remote Path"), [this] { mnuSaveRemotePathClick(); },
          [](const CommandContext& x) { return x.siteShown && x.connected; })
        ->setShortcut(Qt::Key_F7);
    for (const QString& id : c.ids()) {
        if (QAction* action = c.action(id); !action->shortcut().isEmpty())
            addAction(action);  // shortcuts work without a menu open
    }
}

// The check marks of the focused view's style, as a menu opens.
void TfrmMain::updateViewChecks()
{
    const TOrvoListView* view = m_active->View();
    const std::pair<const char*, TViewStyle> styles[] = {
        {"mnuLargeIcons", vsIcon}, {"mnuSmallIcons", vsSmallIcon}, {"mnuListStyle", vsList}, {"mnuDetails", vsReport}};
    for (const auto& [id, style] : styles)
        command(QString::fromLatin1(id))->setChecked(view->ViewStyle() == style);
    command(QStringLiteral("mnuAutoArrange"))->setChecked(view->AutoArrange());
}

// --- Refresh, change directory, filters ----------------------------------------------------

void TfrmMain::mnuRefreshClick()
{
    if (m_active == RemotePanel)
        Session->RefreshCurrent();
    else
        ListLocal();
}

void TfrmMain::mnuChangeDirClick()
{
    if (Session->TransferRunning())
        return;
    if (m_active == RemotePanel) {
        if (Session->State() != SessionState::Idle)
            return;
        const QString current = Session->Remote().currentDirectory();
        const std::optional<QString> answer =
            prompts().inputBox(QStringLiteral("Change Directory"), QStringLiteral("Enter new directory"), current);
        if (answer && !answer->isEmpty() && *answer != current)
            Session->ChangeRemoteDirectory(*answer);
        return;
    }
    const std::optional<QString> answer = prompts().inputBox(QStringLiteral("Change Directory"),
                                                             QStringLiteral("Enter new directory"), LocalDir->currentDirectory());
    // A relative answer is taken from the directory shown.
    if (answer && !answer->isEmpty() && LocalDir->resolve(*answer) != LocalDir->currentDirectory())
        EnterLocalDirectory(*answer);
}

void TfrmMain::mnuFilterFilesClick()
{
    const bool remote = m_active == RemotePanel;
    QString& mask = remote ? Session->Remote().filter().mask : LocalDir->filter().mask;
    const std::optional<QString> answer = prompts().inputBox(
        remote ? QStringLiteral("Remote Filter") : QStringLiteral("Local Filter"), QStringLiteral("Enter filter mask"), mask);
    if (!answer)
        return;
    mask = normalisedMask(*answer);
    if (remote)
        Session->RefilterRemote();
    else
        ListLocal();
}

void TfrmMain::mnuFilterDirsClick()
{
    const bool on = command(QStringLiteral("mnuFilterDirs"))->isChecked();
    Session->Remote().filter().filterDirectories = on;
    LocalDir->filter().filterDirectories = on;
    Session->RefilterRemote();
    if (m_active == LocalPanel)
        ListLocal();
}

// --- Selection -----------------------------------------------------------------------------

void TfrmMain::SelectAllRows(FilePanel* panel)
{
    TOrvoListView* view = panel->View();
    std::vector<int> rows;
    rows.reserve(size_t(view->Count()));
    for (int row = 0; row < view->Count(); ++row) {
        if (!panel->IsParentRow(row))
            rows.push_back(row);
    }
    view->SetSelection(rows);
    panel->UpdateCountLabel();
}

void TfrmMain::InvertSelection(FilePanel* panel)
{
    TOrvoListView* view = panel->View();
    const std::vector<int> selected = view->SelectedRows();  // ascending
    std::vector<int> rows;
    auto next = selected.begin();
    for (int row = 0; row < view->Count(); ++row) {
        const bool wasSelected = next != selected.end() && *next == row;
        if (wasSelected)
            ++next;
        else if (!panel->IsParentRow(row))
            rows.push_back(row);
    }
    view->SetSelection(rows);
}

void TfrmMain::mnuGroupSelectClick()
{
    const std::optional<QString> mask =
        prompts().inputBox(QStringLiteral("Group select"), QStringLiteral("Enter filter mask"), QString());
    if (!mask)
        return;
    TOrvoListView* view = m_active->View();
    const bool wildcard = mask->contains(QLatin1Char('*'));
    std::vector<int> rows;
    for (int row = 0; row < view->Count(); ++row) {
        const QString& name = view->Item(row).Caption;
        if (!m_active->IsParentRow(row) && (wildcard ? MatchMask(name, *mask) : name == *mask))
            rows.push_back(row);
    }
    view->SetSelection(rows);
}

// --- View style and sorting ----------------------------------------------------------------

void TfrmMain::SetFocusedViewStyle(int style)
{
    TOrvoListView* view = m_active->View();
    view->SetViewStyle(TViewStyle(style));
    if (style == vsReport)
        FitColumns(*view);
}

void TfrmMain::SortFocusedView(int column)
{
    if (column == 3)
        m_active->View()->SortByExtension(true);
    else
        m_active->View()->SortFiles(column, true, Config().AlphaSort);
}

// --- Find ----------------------------------------------------------------------------------

void TfrmMain::mnuFindFileClick()
{
    if (!FindBox) {
        FindBox = new TFindBox(this);
        FindBox->OnFind = [this](const QString& text) { FindFile(text); };
    }
    FindBox->setText(m_findText);
    FindBox->show();
    FindBox->raise();
    FindBox->activateWindow();
}

void TfrmMain::FindFile(const QString& text)
{
    m_findText = text;
    TOrvoListView* view = m_active->View();
    const int row = findRow(*view, text, 0);
    if (row < 0)
        return;
    selectFoundRow(view, row);
    command(QStringLiteral("mnuFindNext"))->setEnabled(true);
}

void TfrmMain::mnuFindNextClick()
{
    if (m_findText.isEmpty())
        return;
    TOrvoListView* view = m_active->View();
    int from = 0;
    if (const int selected = view->SelectedRow(); selected >= 0) {
        view->SetSelected(selected, false);
        from = selected + 1;
    }
    const int row = findRow(*view, m_findText, from);
    if (row < 0) {
        command(QStringLiteral("mnuFindNext"))->setEnabled(false);
        prompts().messageBox(QStringLiteral("File not found"), QString::fromLatin1(Caption), Prompt::Icon::Information,
                             Prompt::Ok);
        return;
    }
    selectFoundRow(view, row);
}

// --- Saving, printing and showing the listing ----------------------------------------------

void TfrmMain::mnuSaveListingClick()
{
    if (Session->State() != SessionState::Idle)
        return;
    const std::optional<QString> file = prompts().saveFile(QStringLiteral("Save Remote Directory As"), QString(),
                                                           QStringLiteral("Text files (*.txt)|*.txt"));
    if (!file || file->isEmpty())
        return;
    QByteArray text = (DateTimeText(Clock::now()) + QStringLiteral("\t\t") + Session->Request().host
                       + QStringLiteral("\t\t") + Session->Remote().currentDirectory() + QStringLiteral("\n\n"))
                          .toUtf8();
    for (const QString& line : Session->Remote().rawLines()) {
        text += line.toUtf8();
        text += '\n';
    }
    // Written aside and moved into place: a failed save leaves an existing file as it was.
    QSaveFile out(*file);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
        prompts().messageBox(QStringLiteral("Unable to write to ") + *file, QString::fromLatin1(Caption),
                             Prompt::Icon::Error, Prompt::Ok);
    }
}

void TfrmMain::mnuPrintListingClick()
{
    if (Session->State() != SessionState::Idle)
        return;
    QPrinter printer;
    if (!choosePrinter(printer, this))
        return;
    QFont font = Memo1->font();
    font.setPointSize(12);
    QStringList lines{QString(),
                      PrintStamp(Clock::now()) + QStringLiteral("\t\t") + Session->Request().host + QStringLiteral("\t\t")
                          + Session->Remote().currentDirectory(),
                      QString()};
    lines += Session->Remote().rawLines();
    if (!printLines(printer, font, lines)) {
        prompts().messageBox(QStringLiteral("Unable to print the directory listing."), QString::fromLatin1(Caption),
                             Prompt::Icon::Error, Prompt::Ok);
    }
}

void TfrmMain::mnuViewRawClick()
{
    if (Session->State() != SessionState::Idle)
        return;
    auto* window = new TMessageWindow(QStringLiteral("Directory of ") + Session->Remote().currentDirectory(),
                                      Session->Remote().rawLines(), this);
    window->setObjectName(QStringLiteral("RawDirectory"));
    window->show();
}

void TfrmMain::mnuSaveLocalPathClick()
{
    try {
        SiteDatabase->saveLocalPath(Session->CurrentSiteName(), LocalDir->currentDirectory());
    } catch (const AppError& error) {
        showAppError(error);
    }
}

void TfrmMain::mnuSaveRemotePathClick()
{
    if (!Session->Ftp().SessionConnected())
        return;
    try {
        SiteDatabase->saveRemotePath(Session->CurrentSiteName(), Session->Remote().currentDirectory());
    } catch (const AppError& error) {
        showAppError(error);
    }
}

// --- View settings -------------------------------------------------------------------------

QFont TfrmMain::ViewFont() const
{
    // The stored default names a font this desktop does not have: it stands for the
    // desktop's own font, at the desktop's size unless another size was chosen.
    const ViewSettings& view = Settings->view();
    const bool designDefault = view.FontName.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0
                               || view.FontName.isEmpty();
    QFont font = QApplication::font();
    if (!designDefault)
        font.setFamily(view.FontName);
    if (view.FontSize > 0 && (!designDefault || view.FontSize != 8))
        font.setPointSize(view.FontSize);
    return font;
}

void TfrmMain::ApplyViewSettingsToWindow()
{
    const ViewSettings& view = Settings->view();
    Memo1->SetMaxLines(consoleViewSettings(view).maxLines);
    for (FilePanel* panel : {LocalPanel, RemotePanel}) {
        panel->View()->SetShowColumnHeaders(!view.HideHeader);
        if (view.SelectLine)
            panel->View()->SetRowSelect(true);
    }
    const QFont font = ViewFont();
    const QFont current = LocalPanel->View()->font();
    if (font.family() == current.family() && font.pointSize() == current.pointSize())
        return;
    for (QWidget* control : std::initializer_list<QWidget*>{LocalPanel->View(), RemotePanel->View(), Queue, Memo1})
        control->setFont(font);
    // The rows are taller or shorter now: fit the columns again.
    if (Config().LocalAutoSize)
        FitColumns(*LocalPanel->View());
    if (Config().RemoteAutoSize)
        FitColumns(*RemotePanel->View());
    FitColumns(*Queue);
}
