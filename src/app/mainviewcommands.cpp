// Commands on whichever file view has the focus: refresh, change directory, filters,
// selection, view styles, sorting, find, the right-button menu; the count labels; saving,
// printing and showing the remote listing; the view parts of the settings.
#include "app/mainwindow.h"

#include "app/columnfit.h"
#include "app/findbox.h"
#include "app/listingprint.h"
#include "app/messagewindow.h"
#include "app/pathhelpers.h"
#include "app/viewtext.h"
#include "console/xconsole.h"
#include "controls/orvoview.h"
#include "engine/ftp.h"
#include "platform/apperror.h"
#include "platform/clock.h"
#include "platform/errorreport.h"
#include "platform/prompt.h"
#include "sites/sitedatabase.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QSaveFile>
#include <QSplitter>
#include <QTimer>

namespace {

// "*", "*.*" and nothing all mean every file.
QString normalisedMask(const QString& answer)
{
    if (answer.isEmpty() || answer == QLatin1String("*") || answer == QLatin1String("*.*"))
        return QStringLiteral("*.*");
    return answer;
}

}  // namespace

// --- Building and wiring -----------------------------------------------------------------------

void TfrmMain::buildViewMenus()
{
    QMenuBar* bar = menuBar();
    QAction* before = mnuOptionsMenu ? mnuOptionsMenu->menuAction() : nullptr;

    mnuSitesMenu = new QMenu(QStringLiteral("S&ites"), this);
    mnuSaveLocalPath = mnuSitesMenu->addAction(QStringLiteral("Save &Local Path"), this, &TfrmMain::mnuSaveLocalPathClick);
    mnuSaveLocalPath->setShortcut(Qt::Key_F6);
    mnuSaveRemotePath = mnuSitesMenu->addAction(QStringLiteral("Save &Remote Path"), this, &TfrmMain::mnuSaveRemotePathClick);
    mnuSaveRemotePath->setShortcut(Qt::Key_F7);
    connect(mnuSitesMenu, &QMenu::aboutToShow, this, &TfrmMain::updateViewCommands);

    mnuDirectoryMenu = new QMenu(QStringLiteral("&Directory"), this);
    QMenu* directory = mnuDirectoryMenu;
    mnuRefresh = directory->addAction(QStringLiteral("&Refresh"), this, &TfrmMain::mnuRefreshClick);
    mnuRefresh->setShortcut(Qt::Key_F5);
    mnuChangeDir = directory->addAction(QStringLiteral("C&hange Directory"), this, &TfrmMain::mnuChangeDirClick);
    directory->addSeparator();
    mnuFilterFiles = directory->addAction(QStringLiteral("Fi&lter Files"), this, &TfrmMain::mnuFilterFilesClick);
    mnuFilterDirs = directory->addAction(QStringLiteral("Filter &Directories"));
    mnuFilterDirs->setCheckable(true);
    connect(mnuFilterDirs, &QAction::triggered, this, &TfrmMain::mnuFilterDirsClick);
    directory->addSeparator();
    mnuFindFile = directory->addAction(QStringLiteral("&Find File"), this, &TfrmMain::mnuFindFileClick);
    mnuFindFile->setShortcut(QKeySequence::Find);
    mnuFindNext = directory->addAction(QStringLiteral("F&ind Next"), this, &TfrmMain::mnuFindNextClick);
    mnuFindNext->setShortcut(Qt::Key_F3);
    mnuFindNext->setEnabled(false);
    directory->addSeparator();
    mnuGroupSelect = directory->addAction(QStringLiteral("&Group Select"), this, &TfrmMain::mnuGroupSelectClick);
    mnuSelectAll = directory->addAction(QStringLiteral("&Select All"), this, [this] { SelectAllRows(ActiveView()); });
    mnuInvertSelection = directory->addAction(QStringLiteral("&Invert Selection"), this, [this] { InvertSelection(ActiveView()); });
    directory->addSeparator();

    QMenu* styles = directory->addMenu(QStringLiteral("View St&yle"));
    auto* styleGroup = new QActionGroup(this);
    const auto styleAction = [&](const char* caption, int style) {
        QAction* action = styles->addAction(QString::fromLatin1(caption), this, [this, style] { SetFocusedViewStyle(style); });
        action->setCheckable(true);
        styleGroup->addAction(action);
        return action;
    };
    mnuLargeIcons = styleAction("Large Icons", vsIcon);
    mnuSmallIcons = styleAction("Small Icons", vsSmallIcon);
    mnuListStyle = styleAction("List", vsList);
    mnuDetails = styleAction("Details", vsReport);
    styles->addSeparator();
    mnuLineUp = styles->addAction(QStringLiteral("Line Up Icons"), this, [this] { ActiveView()->Arrange(); });
    mnuAutoArrange = styles->addAction(QStringLiteral("Auto Arrange"), this,
                                       [this] { ActiveView()->SetAutoArrange(!ActiveView()->AutoArrange()); });
    mnuAutoArrange->setCheckable(true);

    QMenu* sort = directory->addMenu(QStringLiteral("S&ort"));
    mnuSortName = sort->addAction(QStringLiteral("by Name"), this, [this] { SortFocusedView(0); });
    mnuSortSize = sort->addAction(QStringLiteral("by Size"), this, [this] { SortFocusedView(1); });
    mnuSortDate = sort->addAction(QStringLiteral("by Date"), this, [this] { SortFocusedView(2); });
    mnuSortExtension = sort->addAction(QStringLiteral("by Extension"), this, [this] { SortFocusedView(3); });
    directory->addSeparator();
    mnuFlushCache = directory->addAction(QStringLiteral("Fl&ush Cache"), this, &TfrmMain::FlushListingCache);
    mnuViewRaw = directory->addAction(QStringLiteral("&View Raw Directory"), this, &TfrmMain::mnuViewRawClick);
    connect(directory, &QMenu::aboutToShow, this, &TfrmMain::updateViewCommands);

    bar->insertMenu(before, mnuSitesMenu);
    bar->insertMenu(before, mnuDirectoryMenu);

    // The server menu's listing entries go above its last entry ("E&xit").
    const QList<QAction*> serverEntries = mnuServerMenu->actions();
    QAction* exitEntry = serverEntries.isEmpty() ? nullptr : serverEntries.last();
    mnuSaveListing = new QAction(QStringLiteral("&Save"), this);
    connect(mnuSaveListing, &QAction::triggered, this, &TfrmMain::mnuSaveListingClick);
    mnuPrintListing = new QAction(QStringLiteral("&Print"), this);
    connect(mnuPrintListing, &QAction::triggered, this, &TfrmMain::mnuPrintListingClick);
    mnuServerMenu->insertAction(exitEntry, mnuSaveListing);
    mnuServerMenu->insertAction(exitEntry, mnuPrintListing);
    mnuServerMenu->insertSeparator(exitEntry);
    connect(mnuServerMenu, &QMenu::aboutToShow, this, [this] {
        mnuSaveListing->setEnabled(State == SessionState::Idle);
        mnuPrintListing->setEnabled(State == SessionState::Idle);
    });

    // The views' right-button menu.
    PopupView = new QMenu(this);
    PopupView->setObjectName(QStringLiteral("PopupView"));
    PopupView->addActions({mnuLargeIcons, mnuSmallIcons, mnuListStyle, mnuDetails});
    PopupView->addSeparator();
    PopupView->addActions({mnuLineUp, mnuAutoArrange});
    PopupView->addSeparator();
    PopupView->addActions({mnuSortName, mnuSortSize, mnuSortDate, mnuSortExtension});
    PopupView->addSeparator();
    PopupView->addActions({mnuGroupSelect, mnuSelectAll, mnuInvertSelection});
    PopupView->addSeparator();
    PopupView->addActions({mnuRefresh, mnuChangeDir});
    connect(PopupView, &QMenu::aboutToShow, this, &TfrmMain::updateViewCommands);
}

void TfrmMain::wireViews()
{
    m_activeView = Local;
    for (TOrvoListView* view : {Local, Remote}) {
        view->OnEnter = [this](TOrvoListView* sender) { SetActiveView(sender); };
        view->OnContextMenu = [this](TOrvoListView* sender, QPoint pos) { ViewContextMenu(sender, pos); };
        view->OnSelectionChanged = [this](TOrvoListView* sender) {
            // Coalesced: a selection made row by row is summed up once.
            if (m_summaryPending.contains(sender))
                return;
            m_summaryPending.append(sender);
            QMetaObject::invokeMethod(this, [this, sender] {
                m_summaryPending.removeAll(sender);
                UpdateSelectionSummary(sender);
            }, Qt::QueuedConnection);
        };
    }
    Remote->OnDblClick = [this](TOrvoListView*, int row) { RemoteDblClick(row); };
    Remote->OnKeyDown = [this](TOrvoListView*, QKeyEvent* event) { return RemoteKeyDown(event); };
    Local->OnDblClick = [this](TOrvoListView*, int row) { LocalDblClick(row); };
    Local->OnKeyDown = [this](TOrvoListView*, QKeyEvent* event) { return LocalKeyDown(event); };
    connect(LocalPathBox, &QComboBox::activated, this, &TfrmMain::LocalPathBoxChange);
    connect(RemotePathBox, &QComboBox::activated, this, &TfrmMain::RemotePathBoxChoose);
    connect(mnuShowLinks, &QAction::triggered, this, &TfrmMain::RefilterRemote);
    // The panes changed width: the columns follow (once per turn of the event loop, as a
    // drag moves the splitter many times).
    auto* refit = new QTimer(this);
    refit->setSingleShot(true);
    refit->setInterval(0);
    connect(refit, &QTimer::timeout, this, [this] {
        FitColumns(*Local);
        FitColumns(*Remote);
    });
    connect(MiddleSplitter, &QSplitter::splitterMoved, refit, qOverload<>(&QTimer::start));
    connect(Splitter3, &QSplitter::splitterMoved, this, [this] { FitColumns(*Queue); });
    connect(mnuResolveFile, &QAction::triggered, this, &TfrmMain::RefilterRemote);
    updateCountLabelColours();
}

// Which commands apply to the focused view now, and the check marks of its style.
void TfrmMain::updateViewCommands()
{
    TOrvoListView* view = ActiveView();
    const bool remote = RemoteActive();
    const bool canNavigate = !TransferRunning() && (!remote || State == SessionState::Idle);
    mnuRefresh->setEnabled(canNavigate);
    mnuChangeDir->setEnabled(canNavigate);
    mnuViewRaw->setEnabled(State == SessionState::Idle);
    mnuLargeIcons->setChecked(view->ViewStyle() == vsIcon);
    mnuSmallIcons->setChecked(view->ViewStyle() == vsSmallIcon);
    mnuListStyle->setChecked(view->ViewStyle() == vsList);
    mnuDetails->setChecked(view->ViewStyle() == vsReport);
    mnuAutoArrange->setChecked(view->AutoArrange());
    const bool siteShown = !txtFTPServer->currentText().isEmpty() && !CurrentSiteName.isEmpty();
    mnuSaveLocalPath->setEnabled(siteShown);
    mnuSaveRemotePath->setEnabled(siteShown && FTP->SessionConnected());
}

// --- Focus and count labels ----------------------------------------------------------------------

void TfrmMain::SetActiveView(TOrvoListView* view)
{
    if (view != Local && view != Remote)
        return;
    m_activeView = view;
    updateCountLabelColours();
}

QLabel* TfrmMain::countLabelOf(TOrvoListView* view) const
{
    return view == Remote ? PanelRemoteCount : PanelLocalCount;
}

void TfrmMain::updateCountLabelColours()
{
    for (TOrvoListView* view : {Local, Remote}) {
        QLabel* label = countLabelOf(view);
        QPalette colours = label->palette();
        colours.setColor(QPalette::Window, palette().color(view == m_activeView ? QPalette::Dark : QPalette::Button));
        colours.setColor(QPalette::WindowText, palette().color(QPalette::ButtonText));
        label->setPalette(colours);
    }
}

void TfrmMain::UpdateSelectionSummary(TOrvoListView* view)
{
    const bool remote = view == Remote;
    if (remote && m_remoteFilling)
        return;  // the listing's end writes the label
    const std::vector<int> rows = view->SelectedRows();
    if (rows.empty()) {
        countLabelOf(view)->setText(remote ? RemoteListedSummary() : LocalListedSummary());
        return;
    }
    int folders = 0;
    int files = 0;
    qint64 bytes = 0;
    for (const int row : rows) {
        const TListItem& item = view->Item(row);
        if (item.ImageIndex == 0)
            continue;
        if (item.ImageIndex == 1) {
            ++folders;
            continue;
        }
        ++files;
        bytes += StripThousands(item.columnText(1)).toLongLong();
    }
    countLabelOf(view)->setText(QStringLiteral("%1 folder(s), %2 file(s) selected [%3 bytes]")
                                    .arg(folders)
                                    .arg(files)
                                    .arg(SizeText(bytes)));
}

void TfrmMain::ViewContextMenu(TOrvoListView* view, QPoint globalPos)
{
    view->setFocus();
    SetActiveView(view);
    PopupView->popup(globalPos);
}

// --- Refresh, change directory, filters ----------------------------------------------------------

void TfrmMain::mnuRefreshClick()
{
    if (!RemoteActive()) {
        ListLocal();
        return;
    }
    if (State != SessionState::Idle)
        return;
    State = SessionState::BatchEnding;
    EnterBusy();
    ShowStatus(5);
    if (const int cached = ListingCache.find(CurrentRemoteDir); cached >= 0)
        DropCacheEntry(cached);
    ListRemote();
}

void TfrmMain::mnuChangeDirClick()
{
    if (TransferRunning())
        return;
    if (RemoteActive()) {
        if (State != SessionState::Idle)
            return;
        const std::optional<QString> answer = prompts().inputBox(QStringLiteral("Change Directory"),
                                                                 QStringLiteral("Enter new directory"), CurrentRemoteDir);
        if (!answer || answer->isEmpty() || *answer == CurrentRemoteDir)
            return;
        beginRemoteDirectoryChange();
        FTP->ChangeDirectory(*answer);
        return;
    }
    const std::optional<QString> answer = prompts().inputBox(QStringLiteral("Change Directory"),
                                                             QStringLiteral("Enter new directory"), CurrentLocalDir);
    if (!answer || answer->isEmpty())
        return;
    // A relative answer is taken from the directory shown.
    const QString target = EnsureTrailingSeparator(QDir::cleanPath(QDir(CurrentLocalDir).absoluteFilePath(*answer)));
    if (target != CurrentLocalDir)
        EnterLocalDirectory(target);
}

void TfrmMain::mnuFilterFilesClick()
{
    const bool remote = RemoteActive();
    const std::optional<QString> answer = prompts().inputBox(
        remote ? QStringLiteral("Remote Filter") : QStringLiteral("Local Filter"), QStringLiteral("Enter filter mask"),
        remote ? RemoteFilter : LocalFilter);
    if (!answer)
        return;
    if (remote) {
        RemoteFilter = normalisedMask(*answer);
        RefilterRemote();
    } else {
        LocalFilter = normalisedMask(*answer);
        ListLocal();
    }
}

void TfrmMain::mnuFilterDirsClick()
{
    RefilterRemote();
    if (!RemoteActive())
        ListLocal();
}

// --- Selection -----------------------------------------------------------------------------------

void TfrmMain::SelectAllRows(TOrvoListView* view)
{
    std::vector<int> rows;
    rows.reserve(size_t(view->Count()));
    for (int row = 0; row < view->Count(); ++row) {
        if (view->Item(row).ImageIndex != 0)
            rows.push_back(row);
    }
    view->SetSelection(rows);
    UpdateSelectionSummary(view);
}

void TfrmMain::InvertSelection(TOrvoListView* view)
{
    const std::vector<int> selected = view->SelectedRows();  // ascending
    std::vector<int> rows;
    auto next = selected.begin();
    for (int row = 0; row < view->Count(); ++row) {
        const bool wasSelected = next != selected.end() && *next == row;
        if (wasSelected)
            ++next;
        else if (view->Item(row).ImageIndex != 0)
            rows.push_back(row);
    }
    view->SetSelection(rows);
}

void TfrmMain::mnuGroupSelectClick()
{
    TOrvoListView* view = ActiveView();
    const std::optional<QString> mask = prompts().inputBox(QStringLiteral("Group select"), QStringLiteral("Enter filter mask"), QString());
    if (!mask)
        return;
    const bool wildcard = mask->contains(QLatin1Char('*'));
    std::vector<int> rows;
    for (int row = 0; row < view->Count(); ++row) {
        const TListItem& item = view->Item(row);
        if (item.ImageIndex != 0 && (wildcard ? MatchMask(item.Caption, *mask) : item.Caption == *mask))
            rows.push_back(row);
    }
    view->SetSelection(rows);
}

// --- View style and sorting ----------------------------------------------------------------------

void TfrmMain::SetFocusedViewStyle(int style)
{
    TOrvoListView* view = ActiveView();
    view->SetViewStyle(TViewStyle(style));
    if (style == vsReport)
        FitColumns(*view);
}

void TfrmMain::SortFocusedView(int column)
{
    if (column == 3)
        ActiveView()->SortByExtension(true);
    else
        ActiveView()->SortFiles(column, true, Config().AlphaSort);
}

void TfrmMain::SortView(TOrvoListView& view)
{
    const int order = Config().AutoSort;
    if (order >= 0 && order <= 2)
        view.SortFiles(order, true, Config().AlphaSort);
    else if (order == 3)
        view.SortByExtension(true);
}

// --- Find ----------------------------------------------------------------------------------------

namespace {

int findRow(const TOrvoListView& view, const QString& text, int from)
{
    for (int row = qMax(0, from); row < view.Count(); ++row) {
        if (view.Item(row).Caption.contains(text, Qt::CaseInsensitive))
            return row;
    }
    return -1;
}

}  // namespace

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

void TfrmMain::selectFoundRow(TOrvoListView* view, int row)
{
    view->SetSelection({row});
    view->SetCurrentRow(row);
    view->setFocus();
    view->ScrollTo(row);
}

void TfrmMain::FindFile(const QString& text)
{
    m_findText = text;
    TOrvoListView* view = ActiveView();
    const int row = findRow(*view, text, 0);
    if (row < 0)
        return;
    selectFoundRow(view, row);
    mnuFindNext->setEnabled(true);
}

void TfrmMain::mnuFindNextClick()
{
    if (m_findText.isEmpty())
        return;
    TOrvoListView* view = ActiveView();
    int from = 0;
    if (const int selected = view->SelectedRow(); selected >= 0) {
        view->SetSelected(selected, false);
        from = selected + 1;
    }
    const int row = findRow(*view, m_findText, from);
    if (row < 0) {
        mnuFindNext->setEnabled(false);
        prompts().messageBox(QStringLiteral("File not found"), QString::fromLatin1(Caption), Prompt::Icon::Information,
                             Prompt::Ok);
        return;
    }
    selectFoundRow(view, row);
}

// --- Saving, printing and showing the listing ----------------------------------------------------

void TfrmMain::mnuSaveListingClick()
{
    if (State != SessionState::Idle)
        return;
    const std::optional<QString> file = prompts().saveFile(QStringLiteral("Save Remote Directory As"), QString(),
                                                           QStringLiteral("Text files (*.txt)|*.txt"));
    if (!file || file->isEmpty())
        return;
    QByteArray text = (DateTimeText(Clock::now()) + QStringLiteral("\t\t") + txtFTPServer->currentText()
                       + QStringLiteral("\t\t") + CurrentRemoteDir + QStringLiteral("\n\n"))
                          .toUtf8();
    for (const QString& line : RemoteListingLines()) {
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
    if (State != SessionState::Idle)
        return;
    QPrinter printer;
    if (!choosePrinter(printer, this))
        return;
    QFont font = Memo1->font();
    font.setPointSize(12);
    QStringList lines{QString(),
                      PrintStamp(Clock::now()) + QStringLiteral("\t\t") + txtFTPServer->currentText() + QStringLiteral("\t\t")
                          + CurrentRemoteDir,
                      QString()};
    lines += RemoteListingLines();
    if (!printLines(printer, font, lines)) {
        prompts().messageBox(QStringLiteral("Unable to print the directory listing."), QString::fromLatin1(Caption),
                             Prompt::Icon::Error, Prompt::Ok);
    }
}

void TfrmMain::mnuViewRawClick()
{
    if (State != SessionState::Idle)
        return;
    auto* window = new TMessageWindow(QStringLiteral("Directory of ") + CurrentRemoteDir, RemoteListingLines(), this);
    window->setObjectName(QStringLiteral("RawDirectory"));
    window->show();
}

void TfrmMain::mnuSaveLocalPathClick()
{
    if (CurrentSiteName.isEmpty())
        return;
    try {
        SiteDatabase->saveLocalPath(CurrentSiteName, CurrentLocalDir);
    } catch (const AppError& error) {
        showAppError(error);
    }
}

void TfrmMain::mnuSaveRemotePathClick()
{
    if (CurrentSiteName.isEmpty() || !FTP->SessionConnected())
        return;
    try {
        SiteDatabase->saveRemotePath(CurrentSiteName, CurrentRemoteDir);
    } catch (const AppError& error) {
        showAppError(error);
    }
}

// --- View settings ---------------------------------------------------------------------------------

QFont TfrmMain::ViewFont() const
{
    // The stored default names a font this desktop does not have: it stands for the
    // desktop's own font, at the desktop's size unless another size was chosen.
    const bool designDefault = View.FontName.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0
                               || View.FontName.isEmpty();
    QFont font = QApplication::font();
    if (!designDefault)
        font.setFamily(View.FontName);
    if (View.FontSize > 0 && (!designDefault || View.FontSize != 8))
        font.setPointSize(View.FontSize);
    return font;
}

void TfrmMain::ApplyViewSettingsToWindow()
{
    Memo1->SetMaxLines(consoleViewSettings(View).maxLines);
    Local->SetShowColumnHeaders(!View.HideHeader);
    Remote->SetShowColumnHeaders(!View.HideHeader);
    if (View.SelectLine) {
        Local->SetRowSelect(true);
        Remote->SetRowSelect(true);
    }
    const QFont font = ViewFont();
    const QFont current = Local->font();
    if (font.family() == current.family() && font.pointSize() == current.pointSize())
        return;
    for (QWidget* control : std::initializer_list<QWidget*>{Local, Remote, Queue, Memo1})
        control->setFont(font);
    // The rows are taller or shorter now: fit the columns again.
    for (TOrvoListView* view : {Local, Remote}) {
        if (view == Local ? Config().LocalAutoSize : Config().RemoteAutoSize)
            FitColumns(*view);
    }
    FitColumns(*Queue);
}
