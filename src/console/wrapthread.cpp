#include "console/wrapthread.h"

#include <QCoreApplication>
#include <utility>

TWrapThread::TWrapThread(Routine routine, QObject* owner)
    : QObject(owner), m_routine(std::move(routine))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &TWrapThread::Step);
}

void TWrapThread::Start()
{
    m_restart = true;
    if (!m_busy) {
        m_busy = true;
        m_timer.start();
    }
}

void TWrapThread::Stop()
{
    m_timer.stop();
    m_busy = false;
    m_restart = false;
}

void TWrapThread::Finish()
{
    while (m_busy)
        Step();
}

void TWrapThread::Step()
{
    if (QCoreApplication::closingDown()) {
        Stop();
        return;
    }
    const bool restart = std::exchange(m_restart, false);
    if (m_routine(restart) && !m_restart) {
        m_timer.stop();
        m_busy = false;
    } else if (!m_timer.isActive()) {
        m_timer.start();
    }
}
