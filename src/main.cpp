// The program: the options answered without a window, then the application object, the splash
// window while the main window is created, and the message loop until the main window closes.
#include "app/mainwindow.h"
#include "app/orvoapplication.h"
#include "app/splashwindow.h"
#include "engine/ftp.h"
#include "scripting/headlessrun.h"
#include "engine/tlscontext.h"
#include "session/sessioncontroller.h"

#include <QIcon>

#include <cstdio>
#include <cstring>
#include <optional>

namespace {

constexpr const char* Usage =
    "Usage: orvoftp [--ca FILE]... [ADDRESS]\n"
    "       orvoftp --help | --version\n"
    "\n"
    "Opens the OrvoFTP window. With ADDRESS it connects at once, as if ADDRESS had been\n"
    "typed into the server box:\n"
    "  host  host:port  host:user:password  host:user:password:port\n"
    "  host/dir or host|/dir         start in that remote directory\n"
    "  ftp://[user[:password]@]host[:port][/path]\n"
    "  ftps://...  (TLS from the first byte, port 990)   ftpes://...  (AUTH TLS, port 21)\n"
    "  an IPv6 address in brackets: [::1]  [::1]:2121  ftp://[::1]:2121/\n"
    "  the name of a site of the site database\n"
    "\n"
    "Options:\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "  --ca FILE    trust the certificate or CA certificate in FILE (PEM) for this run\n"
    "\n"
    "Settings and sites live in $ORVOFTP_HOME, else next to the program when orvoftp.ini\n"
    "is there, else in $XDG_CONFIG_HOME/orvoftp (normally ~/.config/orvoftp).\n"
    "See orvoftp(1).\n";

// Answers --help and --version, takes --ca FILE, and refuses other "--" options, before
// anything needs a display. Returns the exit code when the program should end here. Qt's own
// options have a single dash and pass through; an address never begins with "--".
std::optional<int> answerEarlyOptions(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--ca") == 0) {
            QString error = QStringLiteral("--ca needs a FILE");
            if (i + 1 >= argc || !TlsContext::addTrustedFile(QString::fromLocal8Bit(argv[++i]), &error)) {
                std::fprintf(stderr, "orvoftp: %s\n", qPrintable(error));
                return 2;
            }
            continue;
        }
        if (std::strcmp(argument, "--help") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (std::strcmp(argument, "--version") == 0) {
            std::printf("%s\n", TfrmMain::Caption);
            return 0;
        }
        if (std::strncmp(argument, "--", 2) == 0) {
            std::fprintf(stderr, "orvoftp: unknown option '%s'\n\n%s", argument, Usage);
            return 2;
        }
    }
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
    if (const std::optional<int> exitCode = answerEarlyOptions(argc, argv))
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

    // What remains for the window: the address (the --ca options were taken above).
    QStringList arguments = QApplication::arguments().mid(1);
    for (qsizetype i = arguments.indexOf(QStringLiteral("--ca")); i >= 0; i = arguments.indexOf(QStringLiteral("--ca")))
        arguments.remove(i, qMin<qsizetype>(2, arguments.size() - i));
    TfrmMain frmMain(arguments);
    TOrvoApplication::setStateSource([&frmMain] {
        const SessionController& session = *frmMain.Session;
        return TOrvoApplication::ReportState{session.Ftp().SessionConnected(), int(session.State()),
                                             session.Ftp().SystemText()};
    });
    frmMain.show();
    splash->close();
    delete splash;
    return app.exec();
}
