#include "progressline.h"

#include <algorithm>
#include <cmath>

namespace
{

QString minutesAndSeconds(double seconds)
{
    const int whole = int(std::ceil(seconds));
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

namespace ProgressLine
{

QString bar(int done, int total, double elapsedS, int width, int from)
{
    const bool measured = done > from && elapsedS > 0;
    const double rate = measured ? (done - from) / elapsedS : 0;
    QString figures = QStringLiteral("  %1/%2 records").arg(done).arg(total);
    if (measured)
        figures += QStringLiteral("  %1/s  %2 left")
                       .arg(rate, 0, 'f', 1)
                       .arg(minutesAndSeconds((total - done) / rate));
    else
        figures += QStringLiteral("  --/s  -- left");

    const int inner = std::max(0, width - int(figures.size()) - 2);
    const int filled = total > 0 ? int(qint64(inner) * std::min(done, total) / total) : inner;
    return QLatin1Char('[') + QString(filled, u'#') + QString(inner - filled, u'-') +
           QLatin1Char(']') + figures;
}

QString finished(int records, double elapsedS)
{
    return QStringLiteral("downloaded %1 record%2 in %3 s")
        .arg(records)
        .arg(records == 1 ? QString() : QStringLiteral("s"))
        .arg(elapsedS, 0, 'f', 1);
}

QString resumed(int first, int total, double elapsedS)
{
    const QString kept = first == 2 ? QStringLiteral("1 was kept")
                                    : QStringLiteral("1 to %1 were kept").arg(first - 1);
    const QString fetched = first == total
                                ? QStringLiteral("record %1").arg(first)
                                : QStringLiteral("records %1 to %2").arg(first).arg(total);
    return QStringLiteral("downloaded %1 in %2 s (%3)")
        .arg(fetched)
        .arg(elapsedS, 0, 'f', 1)
        .arg(kept);
}

QString stored(int stored, int skipped)
{
    if (skipped == 0)
        return QString();
    return QStringLiteral(": %1 stored, %2 skipped as %3 no measurement")
        .arg(stored)
        .arg(skipped)
        .arg(skipped == 1 ? QStringLiteral("it holds") : QStringLiteral("they hold"));
}

QString stopped(int record, int total, const QString &why)
{
    return QStringLiteral("stopped at record %1 of %2: %3").arg(record).arg(total).arg(why);
}

} // namespace ProgressLine
