#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

// Runs the console's re-wrap on the user-interface thread in short slices, so a re-wrap of
// thousands of lines never freezes the window. A start while a re-wrap is busy sets the
// restart flag: the next slice begins again from the newest line. Slices stop when the
// application is closing down.
class TWrapThread : public QObject
{
    Q_OBJECT

public:
    // One slice; `restart` asks it to begin from the start. Returns true when all is done.
    using Routine = std::function<bool(bool restart)>;

    TWrapThread(Routine routine, QObject* owner);

    void Start();
    void Stop();
    // Runs the remaining slices at once (for owners that need the result right away).
    void Finish();

    bool Busy() const { return m_busy; }
    bool RestartPending() const { return m_restart; }

private:
    void Step();

    Routine m_routine;
    QTimer m_timer;
    bool m_busy = false;
    bool m_restart = false;
};
