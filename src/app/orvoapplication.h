#pragma once

#include <QApplication>
#include <functional>

// The application object: every error that escapes an event handler ends here (AppException),
// is written to "error.log" and shown to the user, and the program goes on running.
class TOrvoApplication : public QApplication
{
    Q_OBJECT

public:
    TOrvoApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The facts of the report besides the error's text: whether the session is connected,
    // the session state and the system text; set by the main window.
    struct ReportState {
        bool connected = false;
        int sessionState = 0;
        QString systemText;
    };
    static void setStateSource(std::function<ReportState()> source);

    // Writes "error.log" into `directory` and shows the message; returns the file's path.
    static QString AppException(const QString& message, const QString& directory);
};

// The five lines of "error.log".
QString errorLogText(const QString& message, bool connected, int sessionState, const QString& systemText);
