#pragma once

#include "transfers/queuebuilder.h"

#include <QStringList>
#include <optional>

// The program's command line, below the window: the options answered before anything needs
// a display, the arguments the start-up hands on, the form they take and the queue entries
// they name. The window carries them out (app/maincommandline.h).

inline constexpr const char* ProgramUsage =
    "Usage: orvoftp [--ca FILE]... [ADDRESS | KEYWORD=VALUE... | +SCRIPT | PATH...]\n"
    "       orvoftp --batch [--keep-going] [--ca FILE] SCRIPT\n"
    "       orvoftp --help | --version\n"
    "\n"
    "Opens the OrvoFTP window. The first argument chooses what it does at once:\n"
    "  ADDRESS            connect as if ADDRESS had been typed into the server box:\n"
    "      host  host:port  host:user:password  host:user:password:port\n"
    "      host/dir or host|/dir          start in that remote directory\n"
    "      ftp://[user[:password]@]host[:port][/path]\n"
    "      ftps://...  (TLS from the first byte, port 990)   ftpes://...  (AUTH TLS, port 21)\n"
    "      an IPv6 address in brackets: [::1]  [::1]:2121  ftp://[::1]:2121/\n"
    "      the name of a site of the site database\n"
    "  KEYWORD=VALUE...   (keywords in any case) fill the boxes and the queue, then connect\n"
    "                     once and run the queue after the login:\n"
    "      HOST=host  USER=name  PASS=password  PORT=number\n"
    "      GET=/remote/file[|local-dir]    download (by default into the start folder)\n"
    "      PUT=local-file[|/remote/dir]    upload (by default into the login folder)\n"
    "      QUEUE=file.oqf    load a queue file      SCRIPT=file    run a script\n"
    "      LOCALDIR=dir      REMOTEDIR=/dir         DDE=1   switch the D-Bus client link\n"
    "      QUIT=1            close when the queue is done: exit status 0 when every\n"
    "                        transfer succeeded, 3 when one failed, 2 when connecting\n"
    "                        or logging in failed\n"
    "  +SCRIPT            run the script file SCRIPT (further arguments are ignored)\n"
    "  /PATH... or file:// URIs   queue these files and folders for upload (no connect)\n"
    "\n"
    "Options (before the arguments):\n"
    "  --help          show this help and exit\n"
    "  --version       show the version and exit\n"
    "  --ca FILE       trust the certificate or CA certificate in FILE (PEM) for this run\n"
    "  --batch         run SCRIPT without a window (see orvoftp(1) for its exit codes)\n"
    "  --keep-going    with --batch: run the lines after a failure too\n"
    "\n"
    "Settings and sites live in $ORVOFTP_HOME, else next to the program when orvoftp.ini\n"
    "is there, else in $XDG_CONFIG_HOME/orvoftp (normally ~/.config/orvoftp).\n"
    "See orvoftp(1).\n";

// What the options at the front of the command line ask for. Qt's own options (one dash,
// some with a value) pass through; ours have two dashes and come before the arguments.
struct ProgramOptions
{
    enum class Action : quint8 { Run, Help, Version, Refuse };
    Action action = Action::Run;
    QString problem;        // Refuse: what is wrong, for the line before the usage
    QStringList caFiles;    // each --ca FILE, in order
    QStringList arguments;  // what follows the options, as given
};

// `arguments`: the program's arguments without the program itself (not --batch runs).
ProgramOptions ParseProgramOptions(const QStringList& arguments);

// The arguments the start-up hands on: from the first up to the first empty one, without an
// argument that names this program's own executable (a launcher may pass it again).
// Relative paths are those of `launchDir`.
QStringList CollectArguments(const QStringList& raw, const QString& programPath, const QString& launchDir);

// The four forms, chosen by the first argument alone.
enum class CommandLineForm : quint8 {
    None,     // no arguments
    Upload,   // an absolute path or a file:// URI: queue uploads, connect nowhere
    Keyword,  // "KEY=value" arguments
    Script,   // "+file": run that script
    Address,  // everything else: the server box, then connect
};
CommandLineForm ChooseCommandLineForm(const QStringList& arguments);

// One argument of the keyword form: split at its first "=", the keyword upper-cased, the
// value as written. An argument without "=" has an empty keyword.
struct KeywordArgument
{
    QString keyword;
    QString value;
};
KeywordArgument SplitKeywordArgument(const QString& argument);

// A local path of the command line: a file:// URI becomes its path; a relative path is
// taken from `launchDir`; "." and ".." parts and trailing separators go ("/web/site/" is
// "/web/site").
QString CommandLineLocalPath(const QString& text, const QString& launchDir);

// The upload form: each path an upload into "~/" (the directory the login ends in): a
// folder as "~/name/" with an empty size, a file as "~/name" with its size. A path that
// does not exist is left out with a log line.
QueueAddition UploadFormEntries(const QStringList& arguments, const QString& launchDir);

// GET=remote[|local-dir]: the remote file as a download into the local directory, or into
// `defaultDir` without one. Nothing (with a log line) when its name cannot be a local file.
std::optional<QueueEntry> GetArgumentEntry(const QString& value, const QString& defaultDir, const QString& launchDir,
                                           QString* logLine);

// REMOTEDIR=dir: the directory to enter after the login, ending with "/" (remote paths have
// no other separator); empty stays empty.
QString RemoteDirectoryArgument(const QString& value);

// PUT=local[|remote-dir]: the local file (or folder) as an upload into the remote directory,
// or into "~/" without one. Nothing (with a log line) when it does not exist.
std::optional<QueueEntry> PutArgumentEntry(const QString& value, const QString& launchDir, QString* logLine);
