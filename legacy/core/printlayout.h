#pragma once

#include "legacystate.h"
#include "printsurface.h"
#include "recordtext.h"

#include <QString>

#include <optional>

namespace legacy
{

/// Records on one printed page, two to a line.
constexpr int RecordsPerPrintPage = 168;

/// Column header of the printout.
inline const QString PrintHeader = QStringLiteral("组数     最大值  最小值  平均值   电压值     ") +
                                   QStringLiteral("组数    最大值  最小值  平均值  电压值   ");

/// Pages the print-options window announces for `records` records.
int printPages(int records);

/// Prints one page holding records first..last in the font `family`: the blank band, the
/// header, then records first..mid on the left and the present ones after mid on the right of
/// each line.
void PrintRecords(legacyprinter::PrintSurface &surface, const LegacyState &state, qint32 first,
                  qint32 last, const ValueFormatter &format, const QString &family);

/// The confirmed print: pages of 168 records from `kai` to `jie`, then the end of the
/// document, in the font `family`. A range whose first number is past its last prints the
/// header page alone.
void printRange(legacyprinter::PrintSurface &surface, const LegacyState &state, qint32 kai,
                qint32 jie, const ValueFormatter &format, const QString &family);

struct PrintChoice {
    qint16 kai = 0;
    qint16 jie = 0;
};

/// The range "打印" confirms: all records, or `from`..`to` with `to` limited to the records
/// downloaded. No range when a typed number is not a whole number from 1 to 32767.
std::optional<PrintChoice> choosePrintRange(bool all, const QString &from, const QString &to,
                                            qint16 form2zushu);

} // namespace legacy
