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
