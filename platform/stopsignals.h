#pragma once

#include <QObject>

/// Turns the user's requests to stop (POSIX: SIGINT and SIGTERM; Windows: Ctrl+C, Ctrl+Break
/// and closing the console window) into the `stopRequested` signal, delivered by the event
/// loop, so a command ends between two whole lines instead of in the middle of one. One
/// instance at a time.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

signals:
    void stopRequested();
};
