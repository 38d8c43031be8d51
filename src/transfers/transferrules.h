#pragma once

#include "engine/ftptypes.h"
#include "session/sessioncontroller.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// The rules a batch applies to each file, as functions of their inputs: the transfer mode,
// the skip list, the rename rules, the case rule, names a server may send, the "~/" targets,
// what to do with a target that exists, and the texts of the progress display.

// ChooseTransferMode: ASCII or binary as the panel says; "Auto" tries the extension list in
// order (an entry with "*" is a mask, one without is an extension with its dot, any case).
TTransferType TransferTypeFor(const QString& fileName, TransferModeChoice panel, const QStringList& asciiExtensions);

// IsSkipped: only while the skip list is enabled; then any of its masks matching the name.
bool IsSkippedName(const QString& name, bool enabled, const QStringList& masks);

// MapRenameExtension with the rules in force ("local,remote" each): an upload turns a local
// extension into the remote one, a download the other way. The extension is the file name's
// from its last dot, compared exactly; the first equal rule wins.
QString MapRenameExtension(const QString& path, bool upload, const QStringList& rules);

// ForceLowerCase: 1 upper-cases, 2 lower-cases, anything else leaves the text.
QString ForceCase(const QString& text, int mode);
// The case rule for a local path of a download: only what lies below `home` (the batch's
// local starting folder) changes; the folders above it are another directory when their
// case changes. A path outside `home` changes its file name only.
QString ForceLocalCase(const QString& path, const QString& home, int mode);

// Why a name a server listed cannot be a file of the local folder ("." or "..", a separator
// or NUL inside, a line break, longer than the file system takes); empty when it can.
QString UnsafeLocalNameReason(const QString& name);

// A remote target relative to the batch's remote starting directory ("~/sub/x") made
// absolute; any other target as it is.
QString ResolveHomeTarget(const QString& target, const QString& remoteHome);

// What to do with a target that exists.
struct ConflictInputs
{
    bool upload = false;
    int mode = 0;               // ResumeMode or UploadMode: 0 ask, 1 resume, 2 overwrite, 3 skip
    int bulk = 0;               // BulkConflictChoice: 0 none, 1 skip all, 2 overwrite all
    bool resumeFirst = false;   // the first file of a batch resumed after a reconnect or restart
    bool resumable = false;     // the target is a known, smaller size than the source
    bool siteResumes = false;   // "Site R&esumes"
    bool scriptRunning = false;
};
struct ConflictDecision
{
    enum class Action { Overwrite, Resume, Skip, Ask };
    Action action = Action::Ask;
    int skipCode = -1;  // Skip: the code SkipEntry logs
};
// A file that cannot be resumed (the target is not smaller, or a size is unknown) counts as
// existing: the rules decide without resuming, asking when resuming was what they said.
ConflictDecision DecideConflict(const ConflictInputs& in);

// "%.2d:%.2d:%.2d" of a count of seconds, hours taken modulo 24.
QString ClockText(qint64 seconds);
// The speed part of the progress text with its closing parenthesis: "12.34 k/sec)" or
// "12340.00 cps)".
QString SpeedText(double bytesPerSecond, bool cps);
// Rounding to nearest, ties to even.
qint64 RoundEven(double value);

// One tick of the transfer timer: what the gauge, the remain panel and the title show.
struct ProgressInputs
{
    qint64 transferred = 0;     // bytes moved of the current file since it started
    qint64 resumePos = 0;       // where a resumed transfer began
    qint64 elapsedSeconds = 0;  // ticks counted for the current file
    qint64 fileSize = -1;       // the current file's size, -1 when not known
    qint64 batchBytes = 0;      // sizes of every file entry still queued, the current one included
    int folders = 0;            // BatchFolders
    int files = 0;              // BatchFiles
    bool cps = false;           // ShowCps
};
struct ProgressTexts
{
    bool moving = false;   // the rate is above 0; else only the gauge is cleared
    int percent = 0;
    QString progress;      // "done (speed)" over the gauge
    QString remain;        // "Remain: hh:mm:ss", empty when not known
    QString title;         // "FTP : folders-files : hh:mm:ss" or "... : --:--:--"
};
ProgressTexts ProgressTick(const ProgressInputs& in);
// The title while the remaining time is not known.
QString BatchTitle(int folders, int files);

// The date of a listing entry as the listing parser writes it (the locale's short date, a
// blank and its short time) read back; invalid when the text is something else.
QDateTime ListingDateTime(const QString& text);
