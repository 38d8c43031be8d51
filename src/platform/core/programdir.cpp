#include "platform/core/programdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString SettingsFileName = QStringLiteral("orvoftp.ini");

QString withSlash(const QString& dir)
{
    const QString clean = QDir::cleanPath(dir);
    return clean.endsWith(QLatin1Char('/')) ? clean : clean + QLatin1Char('/');
}

}  // namespace

namespace ProgramDirectory {

QString resolve(const QProcessEnvironment& env, const QString& executableDir)
{
    const QString home = env.value(QStringLiteral("ORVOFTP_HOME"));
    if (!home.isEmpty())
        return withSlash(QDir(home).absolutePath());

    if (!executableDir.isEmpty() && QFileInfo(QDir(executableDir).filePath(SettingsFileName)).isFile())
        return withSlash(executableDir);

    // XDG: a relative XDG_CONFIG_HOME is invalid and must be ignored.
    QString config = env.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (config.isEmpty() || QDir::isRelativePath(config)) {
        QString userHome = env.value(QStringLiteral("HOME"));
        if (userHome.isEmpty())
            userHome = QDir::homePath();
        config = QDir(userHome).filePath(QStringLiteral(".config"));
    }
    return withSlash(QDir(config).filePath(QStringLiteral("orvoftp")));
}

bool ensureExists(const QString& dir)
{
    const QString clean = QDir::cleanPath(QDir(dir).absolutePath());
    if (QFileInfo(clean).isDir())
        return true;
    const QString parent = QFileInfo(clean).path();
    if (parent != clean && !ensureExists(parent))
        return false;
    if (!QDir().mkdir(clean))
        return QFileInfo(clean).isDir();  // made by someone else meanwhile
    QFile::setPermissions(clean, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

QString path()
{
    const QString exeDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    const QString dir = resolve(QProcessEnvironment::systemEnvironment(), exeDir);
    ensureExists(dir);
    return dir;
}

QString filePath(const QString& name)
{
    return path() + name;
}

QString legacyDirectory()
{
    return withSlash(QDir::homePath());
}

}  // namespace ProgramDirectory
