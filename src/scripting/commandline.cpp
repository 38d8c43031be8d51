#include "scripting/commandline.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

// Qt's options that take the next argument as their value.
bool qtOptionWithValue(const QString& argument)
{
    static const QStringList options = {
        QStringLiteral("-platform"),     QStringLiteral("-platformpluginpath"), QStringLiteral("-platformtheme"),
        QStringLiteral("-plugin"),       QStringLiteral("-qwindowgeometry"),    QStringLiteral("-qwindowicon"),
        QStringLiteral("-qwindowtitle"), QStringLiteral("-geometry"),           QStringLiteral("-title"),
        QStringLiteral("-display"),      QStringLiteral("-name"),               QStringLiteral("-style"),
        QStringLiteral("-stylesheet"),   QStringLiteral("-session"),
    };
    return options.contains(argument);
}

ProgramOptions refuse(const QString& problem)
{
    ProgramOptions refused;
    refused.action = ProgramOptions::Action::Refuse;
    refused.problem = problem;
    return refused;
}

QString refusalLine(const QString& path, const QString& reason)
{
    return QStringLiteral("Not queued: \"") + path + QStringLiteral("\" ") + reason;
}

QString slashed(const QString& directory)
{
    return directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/');
}

// The value before the first "|" and the text after it (none without a "|").
std::pair<QString, std::optional<QString>> splitAtBar(const QString& value)
{
    const qsizetype bar = value.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return {value, std::nullopt};
    return {value.left(bar), value.mid(bar + 1)};
}

// An upload of an existing local file or folder into `remoteDir` (ending with "/").
std::optional<QueueEntry> uploadEntry(const QString& text, const QString& remoteDir, const QString& launchDir,
                                      QString* logLine)
{
    const QString path = CommandLineLocalPath(text, launchDir);
    const QFileInfo info(path);
    QString reason;
    if (path.isEmpty() || !info.exists())
        reason = QStringLiteral("does not exist.");
    else
        reason = RefusedNameReason(info.fileName());
    if (!reason.isEmpty()) {
        if (logLine)
            *logLine = refusalLine(path.isEmpty() ? text : path, reason);
        return std::nullopt;
    }
    if (info.isDir())
        return QueueEntry::make(QueueEntry::UploadFolder, path, QString(), remoteDir + info.fileName() + QLatin1Char('/'));
    return QueueEntry::make(QueueEntry::UploadFile, path, QString::number(info.size()), remoteDir + info.fileName());
}

}  // namespace

ProgramOptions ParseProgramOptions(const QStringList& arguments)
{
    ProgramOptions options;
    qsizetype i = 0;
    for (; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-"))
            break;
        if (!argument.startsWith(QLatin1String("--"))) {
            if (qtOptionWithValue(argument))
                ++i;
            continue;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("--version")) {
            options.action = argument == QLatin1String("--help") ? ProgramOptions::Action::Help
                                                                 : ProgramOptions::Action::Version;
            return options;
        }
        if (argument == QLatin1String("--ca") || argument.startsWith(QLatin1String("--ca="))) {
            const QString file = argument == QLatin1String("--ca") ? arguments.value(++i) : argument.mid(5);
            if (file.isEmpty())
                return refuse(QStringLiteral("--ca needs a FILE"));
            options.caFiles << file;
            continue;
        }
        return refuse(QStringLiteral("unknown option '%1'").arg(argument));
    }
    options.arguments = arguments.mid(i);
    // An option after the arguments would otherwise be taken for one of them (a part of
    // the address, a keyword without "=").
    for (const QString& argument : std::as_const(options.arguments)) {
        if (argument.startsWith(QLatin1String("--")))
            return refuse(QStringLiteral("options come before the arguments: '%1'").arg(argument));
    }
    return options;
}

QStringList CollectArguments(const QStringList& raw, const QString& programPath, const QString& launchDir)
{
    const QString program = QFileInfo(programPath).canonicalFilePath();
    QStringList collected;
    for (const QString& argument : raw) {
        if (argument.isEmpty())
            break;
        // Only the program itself: "GET=/pub/orvoftp.exe" is a file to fetch.
        if (!program.isEmpty() && QFileInfo(QDir(launchDir), argument).canonicalFilePath() == program)
            continue;
        collected << argument;
    }
    return collected;
}

CommandLineForm ChooseCommandLineForm(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return CommandLineForm::None;
    const QString& first = arguments.first();
    // Before "=": a path the file manager hands over may hold "=" in a name.
    if (first.startsWith(QLatin1Char('/')) || first.startsWith(QLatin1String("file://"), Qt::CaseInsensitive))
        return CommandLineForm::Upload;
    if (first.contains(QLatin1Char('=')))
        return CommandLineForm::Keyword;
    if (first.startsWith(QLatin1Char('+')))
        return CommandLineForm::Script;
    return CommandLineForm::Address;
}

KeywordArgument SplitKeywordArgument(const QString& argument)
{
    const qsizetype equals = argument.indexOf(QLatin1Char('='));
    if (equals < 0)
        return {};
    return {argument.left(equals).toUpper(), argument.mid(equals + 1)};
}

QString CommandLineLocalPath(const QString& text, const QString& launchDir)
{
    QString path = text;
    if (text.startsWith(QLatin1String("file://"), Qt::CaseInsensitive)) {
        const QUrl url(text);
        // Another machine's file (file://host/...) is no local path.
        if (!url.isValid() || !url.isLocalFile() || (!url.host().isEmpty() && url.host() != QLatin1String("localhost")))
            return {};
        QUrl local = url;
        local.setHost(QString());
        path = local.toLocalFile();
    }
    if (path.isEmpty())
        return {};
    return QDir::cleanPath(QDir(launchDir).absoluteFilePath(path));
}

QueueAddition UploadFormEntries(const QStringList& arguments, const QString& launchDir)
{
    QueueAddition result;
    for (const QString& argument : arguments) {
        QString logLine;
        if (std::optional<QueueEntry> entry = uploadEntry(argument, QStringLiteral("~/"), launchDir, &logLine))
            result.entries.push_back(std::move(*entry));
        else
            result.logLines << logLine;
    }
    return result;
}

std::optional<QueueEntry> GetArgumentEntry(const QString& value, const QString& defaultDir, const QString& launchDir,
                                           QString* logLine)
{
    const auto [remotePath, localDir] = splitAtBar(value);
    QString directory = localDir && !localDir->isEmpty() ? CommandLineLocalPath(*localDir, launchDir) : defaultDir;
    if (directory.isEmpty())
        directory = QDir::homePath();
    return AddressFileEntry(remotePath, slashed(directory), logLine);
}

QString RemoteDirectoryArgument(const QString& value)
{
    return value.isEmpty() ? value : slashed(value);
}

std::optional<QueueEntry> PutArgumentEntry(const QString& value, const QString& launchDir, QString* logLine)
{
    const auto [localPath, remoteDir] = splitAtBar(value);
    const QString target = remoteDir && !remoteDir->isEmpty() ? RemoteDirectoryArgument(*remoteDir) : QStringLiteral("~/");
    return uploadEntry(localPath, target, launchDir, logLine);
}
