// The program: the options answered without a window, then the application object, the splash
// window while the main window is created, and the message loop until the main window closes.
#include "app/maincommandline.h"
#include "app/mainwindow.h"
#include "app/orvoapplication.h"
#include "app/splashwindow.h"
#include "engine/ftp.h"
#include "engine/tlscontext.h"
#include "scripting/commandline.h"
#include "scripting/headlessrun.h"
#include "session/sessioncontroller.h"

#include <QIcon>

#include <cstdio>
#include <optional>

namespace {

// Answers --help and --version and takes --ca FILE before anything needs a display; an
// unknown option, or one after the arguments, prints the usage to stderr. Returns the exit
// code when the program should end here, else the arguments for the window.
std::optional<int> answerEarlyOptions(int argc, char* argv[], QStringList* arguments)
{
    QStringList given;
    for (int i = 1; i < argc; ++i)
        given << QString::fromLocal8Bit(argv[i]);
    const ProgramOptions options = ParseProgramOptions(given);
    switch (options.action) {
    case ProgramOptions::Action::Help:
        std::fputs(ProgramUsage, stdout);
        return 0;
    case ProgramOptions::Action::Version:
        std::printf("%s\n", TfrmMain::Caption);
        return 0;
    case ProgramOptions::Action::Refuse:
        std::fprintf(stderr, "orvoftp: %s\n\n%s", qPrintable(options.problem), ProgramUsage);
        return 2;
    case ProgramOptions::Action::Run:
        break;
    }
    for (const QString& file : options.caFiles) {
        if (QString error; !TlsContext::addTrustedFile(file, &error)) {
            std::fprintf(stderr, "orvoftp: %s\n", qPrintable(error));
            return 2;
        }
    }
    *arguments = options.arguments;
    return std::nullopt;
}

// orvoftp --batch: the script runs without a window, a display or a session bus.
std::optional<int> runBatch(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const BatchArguments batch = ParseBatchArguments(arguments);
    if (!batch.isBatch())
        return std::nullopt;
    if (!batch.options) {
        std::fprintf(stderr, "orvoftp: %s\n\n%s", qPrintable(batch.error), BatchUsage);
        return 1;
    }
    // Batch mode asks nobody about a certificate: --ca is how a private CA is trusted.
    if (QString error; !batch.options->caFile.isEmpty() && !TlsContext::addTrustedFile(batch.options->caFile, &error)) {
        std::fprintf(stderr, "orvoftp: %s\n", qPrintable(error));
        return 2;
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("OrvoFTP"));
    HeadlessRun run(*batch.options);
    QObject::connect(&run, &HeadlessRun::finished, &app, [](int code) { QCoreApplication::exit(code); });
    QMetaObject::invokeMethod(&run, [&run] { run.Start(); }, Qt::QueuedConnection);
    return app.exec();
}

}  // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> exitCode = runBatch(argc, argv))
        return *exitCode;
    QStringList arguments;
    if (const std::optional<int> exitCode = answerEarlyOptions(argc, argv, &arguments))
        return *exitCode;

    TOrvoApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OrvoFTP"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(TfrmMain::Caption));
    // Ties the windows to the installed launcher, so the desktop shows its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orvoftp.OrvoFTP"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("org.orvoftp.OrvoFTP"), QIcon::fromTheme(QStringLiteral("network-server"))));

    auto* splash = new TSplashWindow;
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    TfrmMain frmMain(arguments);
    TOrvoApplication::setStateSource([&frmMain] {
        const SessionController& session = *frmMain.Session;
        return TOrvoApplication::ReportState{session.Ftp().SessionConnected(), int(session.State()),
                                             session.Ftp().SystemText()};
    });
    frmMain.show();
    splash->close();
    delete splash;
    const int status = app.exec();
    // A run started with QUIT says how it went.
    return status != 0 ? status : frmMain.CommandLine->ExitCode();
}
