#include "printlayout.h"

#include "numbertext.h"

#include <cmath>
#include <limits>

namespace legacy
{

namespace
{

std::optional<qint16> recordNumber(const QString &text)
{
    const std::optional<double> number = parseNumber(text);
    if (!number || *number != std::floor(*number) || *number < 1 ||
        *number > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(*number);
}

} // namespace

int printPages(int records)
{
    return (records + RecordsPerPrintPage - 1) / RecordsPerPrintPage;
}

void PrintRecords(legacyprinter::PrintSurface &surface, const LegacyState &state, qint32 first,
                  qint32 last, const ValueFormatter &format, const QString &family)
{
    surface.setFont(family, 20, true);
    surface.moveTo(0, 0);
    surface.printLine(QString(21, u' '));
    surface.setFont(family, 8.5, true);
    surface.printLine(QStringLiteral("  "));
    surface.printLine(PrintHeader);
    surface.setFont(family, 8, true);
    if (first > last)
        return;
    const auto mid = qint32(std::nearbyint((double(first) + last) / 2));
    for (qint32 i = first; i <= mid; ++i) {
        const QString left = reportPart(state, i, format);
        const qint32 r = i + (mid - first + 1);
        if (r <= last && recordSlot(state, r).no != 0)
            surface.printLine(left + QString(3, u' ') + reportPart(state, r, format));
        else
            surface.printLine(left);
    }
}

void printRange(legacyprinter::PrintSurface &surface, const LegacyState &state, qint32 kai,
                qint32 jie, const ValueFormatter &format, const QString &family)
{
    qint32 start = kai;
    while (jie - start + 1 > RecordsPerPrintPage) {
        PrintRecords(surface, state, start, start + RecordsPerPrintPage - 1, format, family);
        surface.newPage();
        start += RecordsPerPrintPage;
    }
    PrintRecords(surface, state, start, jie, format, family);
    surface.endDoc();
}

std::optional<PrintChoice> choosePrintRange(bool all, const QString &from, const QString &to,
                                            qint16 form2zushu)
{
    if (all)
        return PrintChoice{1, form2zushu};
    const std::optional<qint16> kai = recordNumber(from);
    const std::optional<qint16> jie = recordNumber(to);
    if (!kai || !jie)
        return std::nullopt;
    return PrintChoice{*kai, *jie > form2zushu ? form2zushu : *jie};
}

} // namespace legacy
