#pragma once

#include "engine/ftptypes.h"

#include <QDate>
#include <QString>
#include <QStringView>

// One parsed line of a remote directory listing. The caller clears it before each call:
// fields a line format does not fill keep the caller's values.
struct ListEntry
{
    QString Name;  // for a link its own name; the target after " ->" is dropped
    bool IsLink = false;
    bool IsDir = false;
    QString Owner;
    QString Group;
    QString Date;  // locale short date + " " + short time (UNIX, NT); else the server's text
    QString Size;  // as the server wrote it ("0" for an NT directory)
};

// Turns listing lines into entries, by server family. One parser per session: a VMS name
// too long for its column continues on the next line, and the parser holds it until then,
// so two sessions listing at the same time never splice each other's lines.
class TListParser
{
public:
    bool ParseListLine(TFTPServerType serverType, QStringView line, ListEntry& entry);

    // Call when a new listing starts: drops a held VMS name and reads "today" afresh (it is
    // taken from Clock at most once a second otherwise).
    void Reset()
    {
        m_held.clear();
        m_today = Day();
    }
    bool HasHeldText() const { return !m_held.isEmpty(); }

    // The calendar day that dates without a year are compared with.
    struct Day
    {
        int year = 0;  // 0: not read yet
        int month = 0;
        int day = 0;
        static Day of(const QDate& date) { return {date.year(), date.month(), date.day()}; }
    };

private:
    bool parseUnix(TFTPServerType serverType, QStringView line, ListEntry& entry);
    bool parseMacOS(QStringView line, ListEntry& entry);
    bool parseVms(QStringView line, ListEntry& entry);
    static const QString& shared(QString& last, QStringView text);
    const Day& today();

    QString m_held;
    QString m_owner;
    QString m_group;
    Day m_today;
    qint64 m_todayTick = 0;
};

// The n-th word (0-based) of a line whose runs of spaces count as one space. Empty when the
// word is missing or is the last one on the line (no space follows it).
QStringView ListWord(QStringView line, qsizetype n);

// The line after n words: every separating run of spaces is dropped except after the n-th
// word, where exactly one space goes (a name may begin with spaces). Cut before " ->".
QStringView ListRest(QStringView line, qsizetype n);

// "Mon D HH:MM" or "Mon D YYYY" to the locale's short date and time; the text itself when it
// is no such date. Dates without a year lie in the last twelve months (today from Clock).
QString UnixDate(QStringView text);

// "MM-DD-YY HH:MMAM" (also 4-digit years, ISO dates, 24-hour times) to the locale's short
// date and time; empty when it is no such date.
QString DosDate(QStringView text);

// 'd' directory, 'l' link, 'f' anything else.
char EntryKind(const ListEntry& entry);
