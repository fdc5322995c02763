#pragma once

// The console's history download as the tests check it: when it is over, and what the
// instrument's records look like as stored rows.

#include "historyrecord.h"
#include "mainwindowprobe.h"
#include "protocol.h"

#include <QList>
#include <QPushButton>
#include <QString>
#include <QVector>

/// No download is asking for the count or fetching records, and the sync button takes clicks.
inline bool historySyncIdle(MainWindow &w)
{
    return !MainWindowProbe::awaitingHistoryCount(w) && !MainWindowProbe::isSyncingHistory(w) &&
           MainWindowProbe::btnSyncHistory(w)->isEnabled();
}

/// The instrument's record frames as the console stores them, numbered from 1.
inline QList<HistoryRecord> decodeAll(const QVector<protocol::InstrumentFrame> &frames)
{
    QList<HistoryRecord> records;
    for (int i = 0; i < frames.size(); ++i) {
        if (const auto record = decodeHistoryRecord(frames[i].data(), i + 1))
            records << *record;
    }
    return records;
}

/// One row in words, so that a failed comparison shows both rows whole.
inline QString describe(const HistoryRecord &r)
{
    return QStringLiteral("#%1 %2 %3/%4/%5 %6 battery %7")
        .arg(r.record_index)
        .arg(r.data_type)
        .arg(r.avg_value)
        .arg(r.max_value)
        .arg(r.min_value)
        .arg(r.unit)
        .arg(r.battery);
}
