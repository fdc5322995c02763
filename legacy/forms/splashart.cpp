#include "splashart.h"

#include "legacyfonts.h"
#include "makersite.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace splashart
{

namespace
{

// Where the link hotspot lies on the picture (its twip rectangle at 15 twips per pixel).
const QRect HotspotPixels(496, 344, 281, 89);

void drawGroundSymbol(QPainter &p, const QPointF &top, double size, const QColor &color)
{
    p.setPen(QPen(color, size / 14, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(top, top + QPointF(0, size * 0.45));
    for (int i = 0; i < 3; ++i) {
        const double half = size * (0.5 - 0.15 * i);
        const double y = top.y() + size * (0.45 + 0.18 * i);
        p.drawLine(QPointF(top.x() - half, y), QPointF(top.x() + half, y));
    }
}

} // namespace

QImage picture(int which)
{
    QImage image(PictureWidth, PictureHeight, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const bool top = which == 2;
    QLinearGradient sky(0, 0, 0, PictureHeight);
    sky.setColorAt(0, top ? QColor(18, 62, 112) : QColor(12, 44, 84));
    sky.setColorAt(1, top ? QColor(96, 176, 208) : QColor(64, 132, 168));
    p.fillRect(image.rect(), sky);

    // Soil strata at the bottom, with the electrode rods of an earth test.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 86, 52));
    p.drawRect(0, 300, PictureWidth, PictureHeight - 300);
    p.setBrush(QColor(96, 68, 40));
    p.drawRect(0, 380, PictureWidth, PictureHeight - 380);
    p.setPen(QPen(QColor(210, 210, 210), 6));
    for (int x : {90, 230, 370})
        p.drawLine(x, 270, x, 360);
    p.setPen(QPen(QColor(230, 60, 40), 3));
    p.drawLine(90, 270, 230, 250);
    p.drawLine(230, 250, 370, 270);

    drawGroundSymbol(p, QPointF(690, 60), 70, QColor(192, 255, 255));

    QFont title = legacyfonts::songFont(34, true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(40, 50, 600, 70), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("数字接地电阻测试仪"));
    p.setFont(legacyfonts::songFont(20, true));
    p.setPen(QColor(192, 255, 255));
    p.drawText(QRect(40, 125, 600, 44), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Telvoro 数据管理软件"));
    p.setFont(legacyfonts::songFont(12));
    p.setPen(QColor(230, 240, 250));
    p.drawText(QRect(40, 180, 600, 30), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("单击画面进入主窗口"));

    if (top) {
        QPainterPath box;
        box.addRoundedRect(HotspotPixels.adjusted(6, 10, -6, -10), 10, 10);
        p.setPen(QPen(QColor(192, 255, 255), 2));
        p.setBrush(QColor(0, 0, 0, 110));
        p.drawPath(box);
        p.setFont(legacyfonts::songFont(13, true));
        p.setPen(Qt::white);
        p.drawText(HotspotPixels, Qt::AlignCenter,
                   QStringLiteral("访问网站\n") + makersite::address());
    }
    return image;
}

QCursor linkCursor()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // A globe: the hotspot at its centre.
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(192, 255, 255));
    p.drawEllipse(QRectF(3, 3, 26, 26));
    p.setPen(QPen(QColor(0, 90, 160), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(10, 3, 12, 26));
    p.drawLine(QPointF(16, 3), QPointF(16, 29));
    p.drawLine(QPointF(3, 16), QPointF(29, 16));
    p.drawLine(QPointF(6, 9.5), QPointF(26, 9.5));
    p.drawLine(QPointF(6, 22.5), QPointF(26, 22.5));
    p.end();
    return QCursor(pixmap, 16, 16);
}

} // namespace splashart
