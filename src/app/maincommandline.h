#pragma once

#include <QObject>
#include <QStringList>
#include <functional>
#include <vector>

class TfrmMain;
struct BatchSummary;
struct KeywordArgument;

// The main window's side of the command line: the address, keyword, script and upload forms
// carried out on the window's boxes, queue, views and session. What acts (scripts, the
// D-Bus client link, the connect) waits until the window is up, past its first resize. With
// QUIT the program closes by itself when it is done, and ExitCode says how it went: 0 every
// transfer succeeded, 3 one failed (or a GET or PUT could not be queued), 2 connecting or
// logging in failed.
class MainCommandLine : public QObject
{
    Q_OBJECT

public:
    // Takes the working directory of the start (relative paths of the arguments are there)
    // and the login "New Session" hands over in the environment, which it then clears so
    // that no program started later inherits it.
    explicit MainCommandLine(TfrmMain& window);

    const QString& LaunchDirectory() const { return m_launchDir; }
    // The start-up's arguments (CollectArguments); does nothing without any.
    void Process(const QStringList& arguments);
    // What main() returns once the window has closed.
    int ExitCode() const { return m_exitCode; }

private:
    void processAddress(const QStringList& arguments);
    void processKeywords(const QStringList& arguments);
    void applyKeyword(const KeywordArgument& argument, bool* connect);
    void processUpload(const QStringList& arguments);
    void loadQueueFile(const QString& path);
    void queueEntries(std::vector<struct QueueEntry> entries, const QStringList& logLines);
    void setQuitWhenDone();
    // The session's login from the environment, for an address without one.
    void connectFromBoxes(bool sessionLogin);
    void whenWindowUp(std::function<void()> step);
    void runWhatWaited();
    void log(const QString& text, int kind);
    // QUIT: the end of an unattended run.
    void watchSession();
    void connectEnded(bool reachedIdle);
    void batchFinished(const BatchSummary& summary);
    void closeWith(int code);

    TfrmMain& m_window;
    QString m_launchDir;
    QString m_sessionUser;
    QString m_sessionPassword;
    std::vector<std::function<void()>> m_waiting;  // until the window is up
    std::vector<std::pair<QString, int>> m_logLines;  // likewise: the log begins with its first line
    bool m_windowUp = false;
    bool m_quit = false;         // QUIT was given
    bool m_watching = false;     // our connect runs, or the batch it began
    quint64 m_ownBatch = 0;      // the batch that connect began
    bool m_leftOut = false;      // a GET, PUT or upload path was not queued
    int m_exitCode = 0;
};
