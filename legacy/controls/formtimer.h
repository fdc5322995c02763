#pragma once

#include <QObject>

class QTimer;

/// A form timer: ticks every `interval()` ms while enabled and the interval is above 0.
/// Setting the interval restarts the count; an interval of 0 stops the ticks without
/// disabling the timer.
class FormTimer : public QObject
{
    Q_OBJECT

public:
    /// Longest interval accepted, in ms.
    static constexpr int MaxInterval = 2147483647;

    FormTimer(int interval, bool enabled, QObject *parent = nullptr);

    int interval() const { return m_interval; }
    /// Sets the interval; a value below 0 or above `MaxInterval` is refused (false) and the
    /// previous interval stays.
    bool setInterval(double ms);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    /// True while ticks are due.
    bool isTicking() const;

signals:
    void timeout();

private:
    void restart();

    QTimer *m_timer = nullptr;
    int m_interval = 0;
    bool m_enabled = false;
};
