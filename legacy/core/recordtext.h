#pragma once

#include "legacystate.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace legacy
{

/// Turns one raw count of a record with its type code into its display text.
using ValueFormatter = std::function<QString(quint8 type, qint32 raw)>;

/// `formatReading` of the type and the count, without touching any state.
QString plainValue(quint8 type, qint32 raw);

/// "第" + the number with "0"s in front up to three digits + "组": 第007组, 第1234组.
QString groupLabel(qint64 number);

/// One slot of the record store; numbers outside the store read as an empty slot.
struct RecordSlot {
    qint32 no = 0;
    qint32 max = 0;
    qint32 min = 0;
    qint32 avg = 0;
    quint8 type = 0;
};
RecordSlot recordSlot(const LegacyState &state, qint64 n);

/// Record n as the saved file and the printout show it: label, maximum, minimum, average and
/// voltage text, each followed by two blanks, aligned by `padReportRow`.
QString reportPart(const LegacyState &state, qint64 n, const ValueFormatter &format);

/// Header line of the saved record file.
inline const QString RecordFileHeader =
    QStringLiteral("组数    最大值     最小值   平均值    电压值                ");

/// The lines of the saved record file, without line ends: 25 blanks, the header, then one
/// line per present record 1..`recTotal` (none when `recTotal` is 0 or `NoCountReported`).
QStringList recordFileLines(const LegacyState &state, const ValueFormatter &format);

/// The file's bytes: each line in GBK (code page 936) followed by CR LF.
QByteArray recordFileBytes(const QStringList &lines);

} // namespace legacy
