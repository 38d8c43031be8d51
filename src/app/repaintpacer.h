#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;

// Paces the repainting of a widget that changes many times a second (the queue list and the
// log while a batch moves hundreds of small files): while active, a change within the
// interval after the last repaint holds the widget's painting back until the interval has
// passed, so it repaints at most about ten times a second. Its contents change as before;
// only the pixels wait.
class RepaintPacer : public QObject
{
    Q_OBJECT

public:
    RepaintPacer(QWidget* widget, int intervalMs, QObject* parent = nullptr);

    void setActive(bool active);
    bool active() const { return m_active; }
    // Call before (or as) the widget changes.
    void changed();

private:
    void release();

    QPointer<QWidget> m_widget;
    int m_interval;
    bool m_active = false;
    bool m_holding = false;
    QElapsedTimer m_sinceRepaint;
    QTimer m_release;
};
