#include "legacyfonts.h"

#include <QFontDatabase>
#include <QRawFont>

namespace legacyfonts
{

namespace
{

const QString Song = QStringLiteral("宋体");

} // namespace

QString songFamily()
{
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        const QStringList candidates{Song,
                                     QStringLiteral("SimSun"),
                                     QStringLiteral("NSimSun"),
                                     QStringLiteral("新宋体"),
                                     QStringLiteral("Noto Sans Mono CJK SC"),
                                     QStringLiteral("Source Han Mono SC"),
                                     QStringLiteral("WenQuanYi Zen Hei Mono")};
        for (const QString &candidate : candidates) {
            if (installed.contains(candidate, Qt::CaseInsensitive))
                return candidate;
        }
        return Song;
    }();
    return family;
}

QFont songFont(double points, bool bold)
{
    QFont font(songFamily());
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

QFont mainFormFont(double points)
{
    QFont font;
    font.setFamilies({Song, QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPointSizeF(points);
    return font;
}

bool hanIsTwoBlanks(const QFont &font)
{
    QFont big = font;
    big.setPixelSize(1000);
    const QRawFont raw = QRawFont::fromFont(big);
    if (!raw.isValid())
        return false;
    const QList<quint32> glyphs = raw.glyphIndexesForString(QStringLiteral("组 "));
    if (glyphs.size() != 2 || glyphs.contains(0))
        return false;
    const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
    return qFuzzyCompare(advances[0].x(), 2 * advances[1].x());
}

} // namespace legacyfonts
