#include "formtimer.h"

#include <QTimer>

FormTimer::FormTimer(int interval, bool enabled, QObject *parent)
    : QObject(parent), m_timer(new QTimer(this)), m_interval(interval), m_enabled(enabled)
{
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &FormTimer::timeout);
    restart();
}

bool FormTimer::setInterval(double ms)
{
    if (!(ms >= 0 && ms <= MaxInterval))
        return false;
    m_interval = static_cast<int>(ms);
    restart();
    return true;
}

void FormTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    restart();
}

bool FormTimer::isTicking() const
{
    return m_timer->isActive();
}

void FormTimer::restart()
{
    if (m_enabled && m_interval > 0)
        m_timer->start(m_interval);
    else
        m_timer->stop();
}
