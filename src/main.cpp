#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OrvoFTP"));
    QApplication::setApplicationDisplayName(QStringLiteral("OrvoFTP 2.50"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("OrvoFTP 2.50"));
    window.resize(900, 640);
    window.show();
    return app.exec();
}
