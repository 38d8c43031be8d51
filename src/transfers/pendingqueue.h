#pragma once

#include "transfers/queuefile.h"

#include <QString>

class IniFile;

// The batch left unfinished at the last exit: its remaining entries in "qfile.dat" in the
// program directory and the site it ran against in [Queue] Site of "orvoftp.ini". Both stay
// until the resumed batch really begins, so a failed reconnect loses nothing.
class PendingQueue
{
public:
    PendingQueue(QString queueFile, IniFile& settings);

    const QString& fileName() const { return m_fileName; }
    bool fileExists() const;
    // [Queue] Site; empty when absent.
    QString site() const;

    // The exit with a batch under way: the entries, then the site. Throws AppError when the
    // file cannot be written; [Queue] is then left as it was.
    void save(const std::vector<QueueEntry>& entries, const QString& site);
    QueueFile::ReadResult load() const;
    // Erases [Queue]; the file stays (the question is not asked again).
    void forgetSite();
    // Erases [Queue] and deletes the file: the batch they kept has begun.
    void discard();

    // The start-up question and what it leads to.
    enum class Answer { NothingPending, Later, Forget, Resume };
    struct Offer
    {
        Answer answer = Answer::NothingPending;
        QString site;
        QueueFile::ReadResult loaded;  // Resume: the entries to run
    };
    // Without the file, [Queue] is erased silently. Otherwise asks whether to connect and
    // finish the batch: No changes nothing (asked again next time), Cancel forgets the site,
    // Yes reads the file (Resume; nothing is erased yet).
    Offer ask();

    // The directory to log in to for a resumed batch: where its first entry's remote path
    // lies; empty when that is relative to the login directory ("~/").
    static QString resumeDirectory(const QueueEntry& first);

private:
    QString m_fileName;
    IniFile& m_settings;
};
