#pragma once

#include <QObject>

/// Turns SIGINT and SIGTERM into the `stopRequested` signal, delivered by the event loop, so a
/// command ends between two whole lines instead of in the middle of one.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

signals:
    void stopRequested();
};
