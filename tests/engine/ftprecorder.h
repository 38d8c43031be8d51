#pragma once

#include "engine/ftp.h"

#include <QStringList>

// Records every event of a TFtp in arrival order as short texts ("info ReplyLine 220 Ready",
// "error ConnectionRefused WSAECONNREFUSED", "LoggedIn"), so tests can check order and content.
class FtpRecorder
{
public:
    explicit FtpRecorder(TFtp& ftp);

    QStringList events;
    QStringList replies;   // information 4
    QStringList commands;  // information 5
    QStringList listing;   // information 15

    bool has(const QString& event) const { return events.contains(event); }
    int count(const QString& event) const { return int(events.count(event)); }
    bool hasInfo(int code) const;
    int infoCount(int code) const;
    bool hasError(int code) const;
    int indexOf(const QString& event) const { return int(events.indexOf(event)); }
    void clear();

    // Logs in automatically and waits for OnLoggedIn; false (with the events in the test
    // output) when it did not happen.
    static bool connectAndLogin(TFtp& ftp, FtpRecorder& recorder, int timeoutMs = 10000);
    // Waits until `event` has been recorded `times` times in all.
    bool waitFor(const QString& event, int times = 1, int timeoutMs = 10000) const;
};
