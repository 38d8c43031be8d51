#pragma once

#include "dialup/dialupservice.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

class QProcess;

// The dial-up service over NetworkManager's command-line client. Every request runs `nmcli`
// asynchronously with its arguments as a list, in the C locale, with standard input closed
// and without --ask, so it never asks for a secret; profiles are only read and switched, never
// modified. Exit codes and the first line of the error output become the error number and text.
class NmcliService : public QObject, public DialupService
{
    Q_OBJECT

public:
    // `program` is a name looked up on PATH or a path; it is resolved once, here.
    explicit NmcliService(const QString& program = QStringLiteral("nmcli"), QObject* parent = nullptr);

    bool available() const override { return !m_program.isEmpty(); }
    const QString& program() const { return m_program; }

    // Seconds nmcli waits for an activation (--wait); other state changes wait
    // `changeWaitSeconds`. Our own guard kills nmcli `graceSeconds` after its wait, or after
    // `queryTimeoutSeconds` for plain queries, so every request completes.
    int activationWaitSeconds = 90;
    int changeWaitSeconds = 10;
    int queryTimeoutSeconds = 15;
    int graceSeconds = 15;

    void listProfiles(QObject* context, ProfilesDone done) override;
    void listActive(QObject* context, ConnectionsDone done) override;
    void readEntry(QObject* context, const QString& name, EntryDone done) override;
    void activate(QObject* context, const QString& name, ActivateDone done) override;
    void deactivate(QObject* context, const QString& uuid, const QString& name, Done done) override;

    // Splits a line of terse output at its unescaped colons, undoing the "\:" and "\\" escapes.
    static QStringList splitTerse(const QString& line);
    // Splits a "property:value" line at its first unescaped colon; the value is unescaped.
    static bool splitProperty(const QString& line, QString* property, QString* value);
    // The reason nmcli gave: its first non-empty error line without the "Error: " prefix.
    static QString errorText(const QByteArray& standardError, int exitCode);

    static bool parseProfiles(const QByteArray& output, QList<DialupProfile>* profiles);
    static bool parseConnections(const QByteArray& output, QList<DialupConnection>* connections);
    static DialupEntry parseEntry(const QByteArray& output);

private:
    using RunDone = std::function<void(const DialupResult&, const QByteArray& output)>;

    QProcess* makeProcess(const QStringList& arguments);
    // Runs nmcli with terse, escaped, colourless output and the given arguments.
    void run(QObject* context, const QStringList& arguments, int timeoutSeconds, RunDone done);
    // Completes with `result` on the next turn of the event loop, unless `context` is gone.
    void post(QObject* context, const DialupResult& result, const QByteArray& output, RunDone done);
    void findActivated(QObject* context, const QString& name, ActivateDone done);

    QString m_program;
};
