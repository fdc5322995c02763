#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace legacy
{

/// Caption of the alarm lock button while the alarm is not armed.
inline const QString AlarmUnlockedCaption = QStringLiteral("锁  定");
/// Caption of the alarm lock button while the alarm is armed.
inline const QString AlarmArmedCaption = QStringLiteral("解  除");
/// How an over-range value reads before its unit.
inline const QString OverRangeText = QStringLiteral("  OL  ");

struct FormattedReading {
    QString text;           ///< display text: number and unit, "  OL  " plus unit, or as given
    bool overRange = false; ///< the raw value was the over-range mark
};

/// Turns a raw count (decimal text) into the display text for the mode byte `fmtType`:
/// resistance with its decimals and "Ω", voltage "v" and current "mA" as integers, over range
/// as "  OL  " plus unit; other kinds keep the text without a unit.
FormattedReading formatReading(quint8 fmtType, const QString &fmtText);

/// The alarm condition after formatting: 1 when the threshold is at most the displayed number
/// (compared in single precision) or the value was over range. No result (the caller keeps
/// its previous condition) when the threshold is not a number or the text is empty.
std::optional<quint8> alarmCondition(const FormattedReading &reading, const QString &thresholdText);

/// One record row on its way to a page, the saved file or the printout. Raw counts come from
/// the record; the column texts are `formatReading` results and are padded in place.
struct RecordRow {
    quint8 rowType = 0;
    qint32 rowMax = 0;
    qint32 rowMin = 0;
    qint32 rowAvg = 0;
    QString colMax, colMin, colAvg, colVolt;
};

/// Right-aligns a row of the saved text file and the printout.
void padReportRow(RecordRow &row);

/// Right-aligns a row of the record pages.
void padPageRow(RecordRow &row);

} // namespace legacy
