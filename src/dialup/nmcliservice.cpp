#include "dialup/nmcliservice.h"

#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <memory>

namespace {

using Kind = DialupResult::Kind;

QString resolveProgram(const QString& program)
{
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(program);
}

// Unset values read "--" in nmcli's tabular output and are empty in terse output.
QString valueOrEmpty(const QString& value)
{
    return value == QLatin1String("--") ? QString() : value;
}

QList<QByteArray> outputLines(const QByteArray& output)
{
    QList<QByteArray> lines;
    for (const QByteArray& line : output.split('\n')) {
        if (!line.trimmed().isEmpty())
            lines.append(line.endsWith('\r') ? line.chopped(1) : line);
    }
    return lines;
}

}  // namespace

NmcliService::NmcliService(const QString& program, QObject* parent)
    : QObject(parent), m_program(resolveProgram(program))
{
}

QStringList NmcliService::splitTerse(const QString& line)
{
    QStringList fields;
    QString field;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('\\') && i + 1 < line.size()) {
            field.append(line.at(++i));
        } else if (c == QLatin1Char(':')) {
            fields.append(field);
            field.clear();
        } else {
            field.append(c);
        }
    }
    fields.append(field);
    return fields;
}

bool NmcliService::splitProperty(const QString& line, QString* property, QString* value)
{
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i) == QLatin1Char('\\')) {
            ++i;
        } else if (line.at(i) == QLatin1Char(':')) {
            *property = line.left(i);
            *value = splitTerse(line.mid(i + 1)).join(QLatin1Char(':'));
            return true;
        }
    }
    return false;
}

QString NmcliService::errorText(const QByteArray& standardError, int exitCode)
{
    for (const QByteArray& raw : outputLines(standardError)) {
        QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1String("Error: ")))
            line = line.mid(7).trimmed();
        if (!line.isEmpty())
            return line.left(100);
    }
    return QStringLiteral("nmcli failed with exit code %1").arg(exitCode);
}

bool NmcliService::parseProfiles(const QByteArray& output, QList<DialupProfile>* profiles)
{
    profiles->clear();
    for (const QByteArray& line : outputLines(output)) {
        const QStringList f = splitTerse(QString::fromUtf8(line));
        if (f.size() != 4 || f.at(0).isEmpty())
            return false;
        profiles->append({f.at(0), f.at(1), f.at(2), valueOrEmpty(f.at(3))});
    }
    return true;
}

bool NmcliService::parseConnections(const QByteArray& output, QList<DialupConnection>* connections)
{
    connections->clear();
    for (const QByteArray& line : outputLines(output)) {
        const QStringList f = splitTerse(QString::fromUtf8(line));
        if (f.size() != 5 || f.at(0).isEmpty())
            return false;
        connections->append({f.at(0), f.at(1), f.at(2), valueOrEmpty(f.at(3)), f.at(4)});
    }
    return true;
}

DialupEntry NmcliService::parseEntry(const QByteArray& output)
{
    DialupEntry entry;
    QString activeDevice;
    QString property;
    QString raw;
    for (const QByteArray& line : outputLines(output)) {
        if (!splitProperty(QString::fromUtf8(line), &property, &raw))
            continue;
        const QString value = valueOrEmpty(raw);
        if (property == QLatin1String("connection.id"))
            entry.profile.name = value;
        else if (property == QLatin1String("connection.uuid"))
            entry.profile.uuid = value;
        else if (property == QLatin1String("connection.type"))
            entry.profile.type = value;
        else if (property == QLatin1String("connection.interface-name"))
            entry.profile.device = value;
        else if (property == QLatin1String("GENERAL.DEVICES"))
            activeDevice = value;
        else if ((property == QLatin1String("gsm.number") || property == QLatin1String("cdma.number"))
                 && entry.phoneNumber.isEmpty())
            entry.phoneNumber = value;
        else if (property.endsWith(QLatin1String(".username")) && entry.userName.isEmpty()
                 && (property.startsWith(QLatin1String("gsm.")) || property.startsWith(QLatin1String("cdma."))
                     || property.startsWith(QLatin1String("pppoe."))))
            entry.userName = value;
    }
    if (!activeDevice.isEmpty())
        entry.profile.device = activeDevice;
    return entry;
}

void NmcliService::post(QObject* context, const DialupResult& result, const QByteArray& output, RunDone done)
{
    const bool hasContext = context != nullptr;
    const QPointer<QObject> guard(context);
    QMetaObject::invokeMethod(
        this,
        [hasContext, guard, result, output, done] {
            if ((hasContext && !guard) || !done)
                return;
            done(result, output);
        },
        Qt::QueuedConnection);
}

QProcess* NmcliService::makeProcess(const QStringList& arguments)
{
    auto* process = new QProcess(this);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));  // untranslated, parseable texts
    process->setProcessEnvironment(environment);
    process->setStandardInputFile(QProcess::nullDevice());  // nothing could ever answer a prompt
    process->setProgram(m_program);
    process->setArguments(QStringList{QStringLiteral("--terse"), QStringLiteral("--escape"), QStringLiteral("yes"),
                                      QStringLiteral("--colors"), QStringLiteral("no")}
                          + arguments);
    return process;
}

void NmcliService::run(QObject* context, const QStringList& arguments, int timeoutSeconds, RunDone done)
{
    if (!available()) {
        post(context, DialupResult::failure(Kind::Unavailable, DialupResult::UnavailableError,
                                            QStringLiteral("nmcli is not installed")),
             {}, std::move(done));
        return;
    }
    QProcess* process = makeProcess(arguments);
    auto* watchdog = new QTimer(process);
    watchdog->setSingleShot(true);
    struct Flags
    {
        bool settled = false;
        bool killed = false;
    };
    auto flags = std::make_shared<Flags>();
    auto settle = [this, process, watchdog, flags, context, done](const DialupResult& result,
                                                                   const QByteArray& output) {
        if (flags->settled)
            return;
        flags->settled = true;
        watchdog->stop();
        process->deleteLater();
        post(context, result, output, done);
    };
    connect(watchdog, &QTimer::timeout, process, [process, flags] {
        flags->killed = true;
        process->kill();
    });
    connect(process, &QProcess::finished, this, [process, flags, settle](int exitCode, QProcess::ExitStatus status) {
        if (flags->killed)
            settle(DialupResult::failure(Kind::TimedOut, DialupResult::TimedOutError,
                                         QStringLiteral("nmcli did not answer in time")),
                   {});
        else if (status == QProcess::CrashExit)
            settle(DialupResult::failure(Kind::Failed, DialupResult::CrashedError, QStringLiteral("nmcli crashed")), {});
        else if (exitCode != 0)
            settle(DialupResult::failure(exitCode == DialupResult::TimedOutError ? Kind::TimedOut : Kind::Failed,
                                         exitCode, errorText(process->readAllStandardError(), exitCode)),
                   {});
        else
            settle(DialupResult::success(), process->readAllStandardOutput());
    });
    connect(process, &QProcess::errorOccurred, this, [process, settle](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            settle(DialupResult::failure(Kind::NotStarted, DialupResult::NotStartedError,
                                         QStringLiteral("nmcli could not be started: ") + process->errorString()),
                   {});
    });
    watchdog->start(timeoutSeconds * 1000);
    process->start();
}

void NmcliService::listProfiles(QObject* context, ProfilesDone done)
{
    const QStringList args{QStringLiteral("--fields"), QStringLiteral("NAME,UUID,TYPE,DEVICE"),
                           QStringLiteral("connection"), QStringLiteral("show")};
    run(context, args, queryTimeoutSeconds, [done](const DialupResult& result, const QByteArray& output) {
        QList<DialupProfile> profiles;
        if (!result.ok())
            done(result, profiles);
        else if (!parseProfiles(output, &profiles))
            done(DialupResult::failure(Kind::BadOutput, DialupResult::BadOutputError,
                                       QStringLiteral("unreadable list of connection profiles")),
                 {});
        else
            done(result, profiles);
    });
}

void NmcliService::listActive(QObject* context, ConnectionsDone done)
{
    const QStringList args{QStringLiteral("--fields"), QStringLiteral("NAME,UUID,TYPE,DEVICE,STATE"),
                           QStringLiteral("connection"), QStringLiteral("show"), QStringLiteral("--active")};
    run(context, args, queryTimeoutSeconds, [done](const DialupResult& result, const QByteArray& output) {
        QList<DialupConnection> connections;
        if (!result.ok())
            done(result, connections);
        else if (!parseConnections(output, &connections))
            done(DialupResult::failure(Kind::BadOutput, DialupResult::BadOutputError,
                                       QStringLiteral("unreadable list of active connections")),
                 {});
        else
            done(result, connections);
    });
}

void NmcliService::readEntry(QObject* context, const QString& name, EntryDone done)
{
    const QStringList args{QStringLiteral("connection"), QStringLiteral("show"), QStringLiteral("id"), name};
    run(context, args, queryTimeoutSeconds, [done](const DialupResult& result, const QByteArray& output) {
        if (!result.ok()) {
            done(result, {});
            return;
        }
        const DialupEntry entry = parseEntry(output);
        if (entry.profile.name.isEmpty())
            done(DialupResult::failure(Kind::BadOutput, DialupResult::BadOutputError,
                                       QStringLiteral("unreadable connection profile")),
                 {});
        else
            done(result, entry);
    });
}

void NmcliService::activate(QObject* context, const QString& name, ActivateDone done)
{
    const QStringList args{QStringLiteral("--wait"), QString::number(activationWaitSeconds), QStringLiteral("connection"),
                           QStringLiteral("up"),     QStringLiteral("id"),                   name};
    const QPointer<QObject> guard(context);
    const bool hasContext = context != nullptr;
    run(context, args, activationWaitSeconds + graceSeconds,
        [this, guard, hasContext, name, done](const DialupResult& result, const QByteArray&) {
            if (!result.ok())
                done(result, {});
            else if (!hasContext || guard)
                findActivated(guard, name, done);
        });
}

// nmcli reports only the D-Bus path of what it brought up; the uuid and the device come from
// the active list. Activation succeeded either way, so a failed look-up still reports success.
void NmcliService::findActivated(QObject* context, const QString& name, ActivateDone done)
{
    listActive(context, [name, done](const DialupResult&, const QList<DialupConnection>& connections) {
        DialupConnection found;
        found.name = name;
        for (const DialupConnection& connection : connections) {
            if (connection.name == name) {
                found = connection;
                if (connection.state == QLatin1String("activated"))
                    break;
            }
        }
        done(DialupResult::success(), found);
    });
}

void NmcliService::deactivate(QObject* context, const QString& uuid, const QString& name, Done done)
{
    const bool byUuid = !uuid.isEmpty();
    const QStringList args{QStringLiteral("--wait"),
                           QString::number(changeWaitSeconds),
                           QStringLiteral("connection"),
                           QStringLiteral("down"),
                           byUuid ? QStringLiteral("uuid") : QStringLiteral("id"),
                           byUuid ? uuid : name};
    run(context, args, changeWaitSeconds + graceSeconds, [done](const DialupResult& result, const QByteArray&) {
        if (done)
            done(result);
    });
}
