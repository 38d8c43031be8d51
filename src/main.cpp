// The program: the application object, the splash window while the main window is created,
// then the message loop until the main window closes.
#include "app/mainwindow.h"
#include "app/orvoapplication.h"
#include "app/splashwindow.h"
#include "engine/ftp.h"
#include "session/sessioncontroller.h"

#include <QIcon>

int main(int argc, char* argv[])
{
    TOrvoApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OrvoFTP"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(TfrmMain::Caption));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("network-server")));

    auto* splash = new TSplashWindow;
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    TfrmMain frmMain(QApplication::arguments().mid(1));
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
