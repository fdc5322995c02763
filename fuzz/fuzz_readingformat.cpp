// The legacy reading formatter, its alarm test and the two column padders with arbitrary mode
// bytes, raw counts and texts.
//   byte 0      mode byte (fmtType, rowType)
//   bytes 1-2   a raw count as the instrument sends it (0..65535)
//   bytes 3-14  three signed raw counts of a record row (maximum, minimum, average)
//   byte 15     length of the threshold text, then that many bytes of it
//   the rest    a free text handed to the formatter as it stands
#include "fuzzinput.h"
#include "numbertext.h"
#include "protocol.h"
#include "readingformat.h"

#include <QString>

#include <cmath>

namespace
{

using namespace legacy;

const QString Ohm = QStringLiteral("Ω");

QString unitOf(int kind)
{
    switch (kind) {
    case 0x10:
        return Ohm;
    case 0x20:
        return QStringLiteral("v");
    case 0x30:
        return QStringLiteral("mA");
    default:
        return QString();
    }
}

// The display text of a raw count, written out from the rules for each kind.
QString expectedText(quint8 mode, quint16 raw)
{
    const int kind = mode & 0xF0;
    const int decimals = mode & 0x0F;
    const QString unit = unitOf(kind);
    if (unit.isEmpty())
        return QString::number(raw);
    if (raw == protocol::OverRangeRaw)
        return OverRangeText + unit;
    if (kind == 0x10 && decimals == 2)
        return QStringLiteral("%1.%2").arg(raw / 100).arg(raw % 100, 2, 10, QLatin1Char('0')) +
               unit;
    if (kind == 0x10 && decimals == 1)
        return QStringLiteral("%1.%2").arg(raw / 10).arg(raw % 10) + unit;
    return QString::number(raw) + unit;
}

void checkCounts(quint8 mode, quint16 raw, const QString &thresholdText)
{
    const FormattedReading shown = formatReading(mode, QString::number(raw));
    FUZZ_CHECK(shown.text == expectedText(mode, raw));
    FUZZ_CHECK(shown.overRange ==
               (raw == protocol::OverRangeRaw && !unitOf(mode & 0xF0).isEmpty()));

    const std::optional<quint8> over = alarmCondition(shown, thresholdText);
    const std::optional<double> threshold = parseNumber(thresholdText);
    FUZZ_CHECK(over.has_value() == threshold.has_value());
    if (over && shown.overRange)
        FUZZ_CHECK(*over == 1);
    if (over && !shown.overRange && (mode & 0xF0) == 0x10) {
        // The number on the display, against the threshold, both in single precision.
        const int decimals = mode & 0x0F;
        const double scale = decimals == 2 ? 100.0 : decimals == 1 ? 10.0 : 1.0;
        const bool reached = float(*threshold) <= float(raw / scale);
        FUZZ_CHECK(*over == (reached ? 1 : 0));
    }
}

// Padding only puts blanks in front, or replaces a column by one of the placeholders.
void checkPadded(const QString &before, const QString &after, int mostBlanks)
{
    if (after.startsWith(QStringLiteral("-----")) || after == QStringLiteral("  OL Ω"))
        return;
    FUZZ_CHECK(after.endsWith(before));
    const qsizetype blanks = after.size() - before.size();
    FUZZ_CHECK(blanks >= 0 && blanks <= mostBlanks);
    for (qsizetype i = 0; i < blanks; ++i)
        FUZZ_CHECK(after.at(i) == u' ');
}

void checkRow(quint8 type, qint32 max, qint32 min, qint32 avg)
{
    RecordRow row;
    row.rowType = type;
    row.rowMax = max;
    row.rowMin = min;
    row.rowAvg = avg;
    row.colMax = formatReading(type, QString::number(max)).text;
    row.colMin = formatReading(type, QString::number(min)).text;
    row.colAvg = formatReading(type, QString::number(avg)).text;
    row.colVolt = row.colAvg;

    RecordRow report = row;
    padReportRow(report);
    RecordRow page = row;
    padPageRow(page);
    checkPadded(row.colMax, report.colMax, 4);
    checkPadded(row.colMin, report.colMin, 4);
    checkPadded(row.colAvg, report.colAvg, 4);
    checkPadded(row.colMax, page.colMax, 4);
    checkPadded(row.colMin, page.colMin, 6);
    checkPadded(row.colAvg, page.colAvg, 6);
    FUZZ_CHECK(!report.colVolt.isEmpty() && !page.colVolt.isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    const quint8 mode = in.byte();
    const quint16 raw = in.word();
    qint32 values[3] = {};
    for (qint32 &value : values)
        value = qint32(quint32(in.word()) << 16 | in.word());
    std::size_t count = 0;
    const std::uint8_t *text = in.take(in.byte(), count);
    const QString threshold =
        QString::fromUtf8(reinterpret_cast<const char *>(text), qsizetype(count));
    const std::uint8_t *rest = in.take(in.remaining(), count);
    const QString freeText =
        QString::fromUtf8(reinterpret_cast<const char *>(rest), qsizetype(count));

    checkCounts(mode, raw, threshold);
    checkRow(mode, values[0], values[1], values[2]);

    // Whatever the text box or a caller hands over, the formatter answers with a text.
    const FormattedReading any = formatReading(mode, freeText);
    if (unitOf(mode & 0xF0).isEmpty())
        FUZZ_CHECK(any.text == freeText && !any.overRange);
    else
        FUZZ_CHECK(any.text.endsWith(unitOf(mode & 0xF0)));
    alarmCondition(any, threshold);
    alarmCondition(any, freeText);

    const double leading = leadingNumber(freeText);
    FUZZ_CHECK(!std::isnan(leading) && leading >= 0);
    return 0;
}
