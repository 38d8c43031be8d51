// The remote view: listings line by line from the session, the listing cache, the path box
// with the directory history, and navigation (double click, keys, links and the way back).
#include "app/mainwindow.h"

#include "app/columnfit.h"
#include "app/pathhelpers.h"
#include "app/viewtext.h"
#include "controls/orvoview.h"
#include "engine/ftp.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>

namespace {

// Rows arriving from a long listing are shown this often, not one by one.
constexpr qint64 RowBatchMs = 250;

enum RemoteImage { ImageParent = 0, ImageFolder = 1, ImageLink = 2, ImageFile = 3 };

QString remoteDirectoryOf(const QString& reported)
{
    return EnsureTrailingSeparator(reported.isEmpty() ? QStringLiteral("/") : reported);
}

// The permission string: the first blank-separated word of the raw line when it is exactly
// ten characters long ("drwxr-xr-x").
QStringView permissionToken(const QString& rawLine)
{
    const qsizetype blank = rawLine.indexOf(QLatin1Char(' '));
    const QStringView word = QStringView(rawLine).left(blank < 0 ? rawLine.size() : blank);
    return word.size() == 10 ? word : QStringView();
}

}  // namespace

// --- Listing -------------------------------------------------------------------------------

void TfrmMain::RefreshRemote()
{
    CurrentRemoteDir = remoteDirectoryOf(FTP->InitialDirectory);
    if (!Config().AutoRefresh && !ScriptRunning) {
        EnterReady();
        return;
    }
    EnterBusy();
    ShowStatus(5);
    const int cached = ListingCache.find(CurrentRemoteDir);
    if (cached < 0) {
        ListRemote();
    } else if (State == SessionState::RemoteCommand || State == SessionState::Downloading) {
        ShowCachedListing(cached);
    } else {
        // Reached some other way (login, a command, a transfer's end): it may have changed.
        DropCacheEntry(cached);
        ListRemote();
    }
}

void TfrmMain::ListRemote()
{
    beginRemoteFill();
    if (ListingCache.find(CurrentRemoteDir) < 0 && State != SessionState::Uploading
        && State != SessionState::Deleting) {
        ListingCache.setTempDir(TempDir);
        if (!ListingCache.beginEntry(CurrentRemoteDir))
            LogLine(QStringLiteral("Unable to create a listing cache file in ") + TempDir, LogError);
    }
    FTP->ListDirectory();
}

void TfrmMain::ShowCachedListing(int index)
{
    const std::optional<QStringList> lines = TListingCache::readLines(ListingCache.entry(index).file);
    if (!lines) {
        DropCacheEntry(index);
        RefreshRemote();
        return;
    }
    beginRemoteFill();
    for (const QString& line : *lines)
        AddListingLine(line);
    FTPListingDone();
}

void TfrmMain::beginRemoteFill()
{
    if (m_remoteFilling)
        Remote->EndUpdate();  // an earlier fill that never reached its end
    m_remoteFilling = true;
    m_refilterPending = false;
    Remote->Clear();
    Remote->BeginUpdate();
    RemoteFolders = 0;
    RemoteFiles = 0;
    m_remoteRawLines.clear();
    RemoteParser.Reset();
    m_remoteBatchClock.start();
}

void TfrmMain::endRemoteFill()
{
    if (!m_remoteFilling)
        return;
    m_remoteFilling = false;
    Remote->EndUpdate();
}

void TfrmMain::AddListingLine(const QString& rawLine)
{
    m_remoteRawLines.append(rawLine);
    ListEntry entry;
    if (!RemoteParser.ParseListLine(FTP->ServerType, rawLine, entry))
        return;
    ListingCache.writeLine(rawLine);
    addRemoteRow(rawLine, entry);
    if (m_remoteFilling && m_remoteBatchClock.elapsed() >= RowBatchMs) {
        // Show what has arrived so far; the view is told once for the whole batch.
        Remote->EndUpdate();
        Remote->BeginUpdate();
        m_remoteBatchClock.start();
    }
}

void TfrmMain::addRemoteRow(const QString& rawLine, const ListEntry& entry)
{
    if (entry.Name == QLatin1String(".") || entry.Name == QLatin1String(".."))
        return;
    const char kind = EntryKind(entry);
    const bool folder = kind == 'd';
    const bool link = kind == 'l';
    if (!MatchMask(entry.Name, RemoteFilter) && !(folder && !mnuFilterDirs->isChecked()))
        return;
    // Links are hidden only from listings made during transfers (folder downloads).
    if (link && !mnuShowLinks->isChecked() && TransferRunning())
        return;
    int image = ImageFile;
    if (folder)
        image = ImageFolder;
    else if (link && !mnuResolveFile->isChecked())
        image = ImageLink;
    QStringList columns{RemoteSizeText(entry.Size), entry.Date};
    if (const QStringView permissions = permissionToken(rawLine); !permissions.isEmpty())
        columns << permissions.toString();
    Remote->AddItem(entry.Name, columns, image);
    if (image == ImageFolder)
        ++RemoteFolders;
    else if (image == ImageFile)
        ++RemoteFiles;
}

void TfrmMain::refillRemoteRows()
{
    const QStringList lines = m_remoteRawLines;
    beginRemoteFill();
    for (const QString& line : lines) {
        m_remoteRawLines.append(line);
        ListEntry entry;
        if (RemoteParser.ParseListLine(FTP->ServerType, line, entry))
            addRemoteRow(line, entry);
    }
}

void TfrmMain::FTPListingDone()
{
    // Only the end of a listing this view started: the session's completion is posted, and
    // one that arrives after the disconnect reset (even once a new connect began) belongs to
    // none.
    if (!m_remoteFilling)
        return;
    const bool disconnected = State == SessionState::NotConnected;
    // 1: the cache file is complete, unless the listing failed part-way (a partial file
    // would later pass for the whole directory).
    if (ListingCache.writing()) {
        if (!FTP->Success)
            ListingCache.abandonEntry();
        else if (!ListingCache.endEntry())
            LogLine(QStringLiteral("Unable to write the listing cache file in ") + TempDir, LogError);
    }
    // 2-3: where we are.
    if (FTP->InitialDirectory.isEmpty())
        FTP->InitialDirectory = QStringLiteral("/");
    CurrentRemoteDir = EnsureTrailingSeparator(FTP->InitialDirectory);
    selectRemotePathItem();
    // A switch changed while the rows arrived: build them again with it.
    if (m_refilterPending)
        refillRemoteRows();
    // 4-7: parent entry, order, columns, count label.
    finishRemoteRows();
    // 8: what comes next (nothing after an error ended the session's activity).
    if (!disconnected)
        EnterReady();
}

// Runs inside a fill (beginRemoteFill) and ends it.
void TfrmMain::finishRemoteRows()
{
    const bool hasParent = Remote->Count() > 0 && Remote->Item(0).ImageIndex == ImageParent;
    if (!TransferRunning() && CurrentRemoteDir.size() > 1 && !hasParent)
        Remote->InsertItem(0, {QStringLiteral(".."), {}, ImageParent});
    SortView(*Remote);
    if (Config().RemoteAutoSize)
        FitColumns(*Remote);
    endRemoteFill();
    PanelRemoteCount->setText(RemoteListedSummary());
}

void TfrmMain::RefilterRemote()
{
    if (State == SessionState::NotConnected || (Remote->Count() == 0 && m_remoteRawLines.isEmpty()))
        return;
    if (m_remoteFilling) {
        m_refilterPending = true;  // the listing under way ends with it
        return;
    }
    refillRemoteRows();
    finishRemoteRows();
}

QString TfrmMain::RemoteListedSummary() const
{
    return QStringLiteral("%1 folder(s), %2 file(s) listed [%3]").arg(RemoteFolders).arg(RemoteFiles).arg(RemoteFilter);
}

void TfrmMain::ClearRemoteView()
{
    endRemoteFill();
    m_refilterPending = false;
    m_followingLink = false;
    Remote->Clear();
    m_remoteRawLines.clear();
    RemoteFolders = 0;
    RemoteFiles = 0;
    PanelRemoteCount->clear();
}

// --- Cache ---------------------------------------------------------------------------------

void TfrmMain::FlushListingCache()
{
    ListingCache.flush();
}

void TfrmMain::DropCacheEntry(int index)
{
    ListingCache.drop(index);
}

// --- Path box and directory changes --------------------------------------------------------

void TfrmMain::selectRemotePathItem()
{
    if (RemotePathBox->count() > 0) {
        const int index = RemotePathBox->findText(CurrentRemoteDir, Qt::MatchExactly | Qt::MatchCaseSensitive);
        RemotePathBox->setCurrentIndex(index < 0 ? 0 : index);
        return;
    }
    QStringList items{CurrentRemoteDir};
    while (const std::optional<QString> parent = DirectoryPart(items.last()))
        items << *parent;
    RemotePathBox->addItems(items);
    RemotePathBox->setCurrentIndex(0);
}

void TfrmMain::FTPDirectoryChanged()
{
    // Changes come from the views and commands of a ready session; a completion posted before
    // the disconnect reset may arrive while the next session is still connecting.
    if (State == SessionState::NotConnected || State == SessionState::Connecting || State == SessionState::LoggingIn)
        return;
    const QString reached = remoteDirectoryOf(FTP->InitialDirectory);
    if (RemotePathBox->findText(reached, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        RemotePathBox->insertItem(0, reached);
    if (std::exchange(m_followingLink, false) && !LinkRecords.isEmpty()) {
        // A link that led nowhere (the change failed) leaves no way back to record; keeping
        // it would turn ".." in that directory into a change to itself.
        if (LinkRecords.last() == reached + QLatin1Char(';'))
            LinkRecords.removeLast();
        else
            LinkRecords.last() += reached;
    }
    RefreshRemote();
}

void TfrmMain::beginRemoteDirectoryChange()
{
    State = SessionState::RemoteCommand;
    EnterBusy();
    ShowStatus(6);
}

void TfrmMain::RemotePathBoxChoose(int index)
{
    const QString directory = RemotePathBox->itemText(index);
    if (State != SessionState::Idle || directory.isEmpty() || directory == CurrentRemoteDir)
        return;
    beginRemoteDirectoryChange();
    FTP->ChangeDirectory(directory);
}

void TfrmMain::RemoteDblClick(int row)
{
    if (State != SessionState::Idle || Remote->SelCount() == 0)
        return;
    if (row < 0 || !Remote->IsSelected(row))
        row = Remote->SelectedRow();
    const TListItem& item = Remote->Item(row);
    switch (item.ImageIndex) {
    case ImageParent: {
        beginRemoteDirectoryChange();
        // Back out of a followed link the way we came, not to the link target's parent.
        for (qsizetype i = LinkRecords.size() - 1; i >= 0; --i) {
            const qsizetype split = LinkRecords[i].indexOf(QLatin1Char(';'));
            if (LinkRecords[i].mid(split + 1) == CurrentRemoteDir) {
                FTP->ChangeDirectory(LinkRecords[i].left(split));
                return;
            }
        }
        FTP->ChangeDirectoryUp();
        return;
    }
    case ImageLink:
        beginRemoteDirectoryChange();
        LinkRecords << CurrentRemoteDir + QLatin1Char(';');
        m_followingLink = true;
        FTP->ChangeDirectory(item.Caption);
        return;
    case ImageFolder:
        beginRemoteDirectoryChange();
        FTP->ChangeDirectory(item.Caption);
        return;
    default:
        return;
    }
}

bool TfrmMain::RemoteKeyDown(QKeyEvent* event)
{
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAllRows(Remote);
        return true;
    }
    if (State != SessionState::Idle || event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    if (event->key() == Qt::Key_Backspace) {
        const std::optional<QString> parent = DirectoryPart(RemotePathBox->currentText());
        if (parent) {
            beginRemoteDirectoryChange();
            FTP->ChangeDirectory(*parent);
        }
        return true;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const int row = Remote->SelectedRow();
        const int image = Remote->Item(row).ImageIndex;
        if (row < 0 || image == ImageFile)
            return true;
        QString target;
        if (image == ImageParent)
            target = DirectoryPart(CurrentRemoteDir).value_or(CurrentRemoteDir);
        else
            target = EnsureTrailingSeparator(CurrentRemoteDir + Remote->Item(row).Caption);
        beginRemoteDirectoryChange();
        FTP->ChangeDirectory(target);
        return true;
    }
    return false;
}
