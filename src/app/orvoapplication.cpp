#include "app/orvoapplication.h"

#include "platform/core/apperror.h"
#include "platform/core/programdir.h"
#include "platform/core/prompt.h"

#include <QDir>
#include <QFile>

namespace {

std::function<TOrvoApplication::ReportState()>& stateSource()
{
    static std::function<TOrvoApplication::ReportState()> source;
    return source;
}

constexpr const char* kSupportAddress = "support@orvoftp.example";

}  // namespace

QString errorLogText(const QString& message, bool connected, int sessionState, const QString& systemText)
{
    return QStringLiteral("E = %1\nV = 2.50\nCS = %2\nLC = %3\nST = %4\n")
        .arg(message)
        .arg(connected ? 1 : 0)
        .arg(sessionState)
        .arg(systemText);
}

TOrvoApplication::TOrvoApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

void TOrvoApplication::setStateSource(std::function<ReportState()> source)
{
    stateSource() = std::move(source);
}

bool TOrvoApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const AppError& error) {
        // An error meant for the user (a settings file that cannot be written, ...).
        prompts().messageBox(error.text(), applicationDisplayName(), Prompt::Icon::Error, Prompt::Ok);
    } catch (const std::exception& error) {
        AppException(QString::fromUtf8(error.what()), ProgramDirectory::path());
    } catch (...) {
        AppException(QStringLiteral("Unknown exception"), ProgramDirectory::path());
    }
    return false;
}

QString TOrvoApplication::AppException(const QString& message, const QString& directory)
{
    const ReportState state = stateSource() ? stateSource()() : ReportState{};
    const QString path = QDir(directory).filePath(QStringLiteral("error.log"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        file.write(errorLogText(message, state.connected, state.sessionState, state.systemText).toUtf8());
    prompts().messageBox(QStringLiteral("An internal error has occured.  The file: \"%1\" has been created with "
                                        "information about this error.  Please forward this file to: %2, along "
                                        "with a brief description of what you did before it occured.  Thank You!")
                             .arg(path, QLatin1String(kSupportAddress)),
                         applicationDisplayName(), Prompt::Icon::Error, Prompt::Ok);
    return path;
}
