#include "app/repaintpacer.h"

#include <QWidget>

RepaintPacer::RepaintPacer(QWidget* widget, int intervalMs, QObject* parent)
    : QObject(parent)
    , m_widget(widget)
    , m_interval(intervalMs)
{
    m_release.setSingleShot(true);
    connect(&m_release, &QTimer::timeout, this, &RepaintPacer::release);
}

void RepaintPacer::setActive(bool active)
{
    m_active = active;
    if (!active)
        release();
}

void RepaintPacer::changed()
{
    if (!m_active || m_holding || !m_widget)
        return;
    if (!m_sinceRepaint.isValid() || m_sinceRepaint.elapsed() >= m_interval) {
        m_sinceRepaint.start();  // this change is painted at once
        return;
    }
    m_holding = true;
    m_widget->setUpdatesEnabled(false);
    m_release.start(int(m_interval - m_sinceRepaint.elapsed()));
}

void RepaintPacer::release()
{
    m_release.stop();
    if (!std::exchange(m_holding, false))
        return;
    if (m_widget)
        m_widget->setUpdatesEnabled(true);  // repaints the whole widget once
    m_sinceRepaint.start();
}

PacedText::PacedText(int intervalMs, std::function<void(const QString&)> show, QObject* parent)
    : QObject(parent)
    , m_show(std::move(show))
    , m_interval(intervalMs)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PacedText::flush);
}

void PacedText::set(const QString& text)
{
    m_latest = text;
    m_waiting = true;
    if (!m_sinceShown.isValid() || m_sinceShown.elapsed() >= m_interval)
        flush();
    else if (!m_timer.isActive())
        m_timer.start(int(m_interval - m_sinceShown.elapsed()));
}

void PacedText::flush()
{
    m_timer.stop();
    if (!std::exchange(m_waiting, false))
        return;
    m_sinceShown.start();
    m_show(m_latest);
}
