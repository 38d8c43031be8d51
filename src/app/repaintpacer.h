#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

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

// A text shown in a widget that a batch changes many times a second (the status text, the
// application title): the latest text is shown at most every `intervalMs`, the last one
// always.
class PacedText : public QObject
{
    Q_OBJECT

public:
    PacedText(int intervalMs, std::function<void(const QString&)> show, QObject* parent = nullptr);
    void set(const QString& text);
    // Shows the latest text now, if one waits.
    void flush();

private:
    std::function<void(const QString&)> m_show;
    int m_interval;
    QString m_latest;
    bool m_waiting = false;
    QElapsedTimer m_sinceShown;
    QTimer m_timer;
};
