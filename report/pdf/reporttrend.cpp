#include "reporttrend.h"

#include "protocol.h"
#include "reportaxis.h"
#include "reportsummary.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace
{

const QColor Axis(0x78, 0x90, 0x9C);
const QColor Grid(0xE0, 0xE6, 0xEA);
const QColor Line(0x15, 0x65, 0xC0);
const QColor LimitColour(0xC6, 0x28, 0x28);
const QColor Muted(0x61, 0x61, 0x61);

} // namespace

void drawTrend(QPainter &painter, const QRectF &box, const QList<HistoryRecord> &records,
               std::optional<double> limitOhms, const QFont &labels, double unit)
{
    QList<QPointF> points; // record number, ohms
    for (const HistoryRecord &record : records) {
        if (isVoltageRecord(record.data_type))
            continue;
        const double ohms = ReportRules::averageOhms(record);
        if (!protocol::isOverRange(ohms))
            points << QPointF(record.record_index, ohms);
    }

    painter.save();
    painter.setFont(labels);
    const QFontMetricsF metrics(labels, painter.device());
    if (points.isEmpty()) {
        painter.setPen(Muted);
        painter.drawRect(box);
        painter.drawText(box, Qt::AlignCenter, QStringLiteral("没有量程内的电阻记录"));
        painter.restore();
        return;
    }

    QList<double> values;
    for (const QPointF &point : points)
        values << point.y();
    const TrendAxis axis = trendAxis(values, limitOhms);
    const double first = points.front().x();
    const double last = std::max(points.back().x(), first + 1);

    double labelWidth = 0;
    for (const double tick : axis.ticks)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(tickText(tick)));
    labelWidth += 6 * unit;
    // The last record number is centred under the right end: room for its half.
    const double rightRoom = metrics.horizontalAdvance(QString::number(qint64(last))) / 2;
    // A legend line above the plot, so its words never sit on the data.
    const QRectF legend(box.left() + labelWidth, box.top(), box.width() - labelWidth - rightRoom,
                        metrics.height());
    const QRectF plot(legend.left(), legend.bottom() + 2 * unit, legend.width(),
                      box.height() - 2 * metrics.height() - 5 * unit);
    const auto at = [&](double x, double y) {
        return QPointF(plot.left() + (x - first) / (last - first) * plot.width(),
                       plot.bottom() - axis.fraction(y) * plot.height());
    };

    // Grid and value labels.
    for (const double y : axis.ticks) {
        const QPointF left = at(first, y);
        painter.setPen(QPen(Grid, 0.5 * unit));
        painter.drawLine(left, QPointF(plot.right(), left.y()));
        painter.setPen(Muted);
        painter.drawText(QRectF(box.left(), left.y() - metrics.height() / 2, labelWidth - 4 * unit,
                                metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, tickText(y));
    }
    if (axis.logarithmic)
        painter.drawText(legend, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("对数刻度"));
    // Record numbers along the bottom.
    const double xStep = std::max(1.0, niceStep(last - first, 8));
    for (double x = std::ceil(first / xStep) * xStep; x <= last; x += xStep) {
        const QPointF foot = at(x, axis.bottom);
        painter.drawText(
            QRectF(foot.x() - 30 * unit, plot.bottom() + 2 * unit, 60 * unit, metrics.height()),
            Qt::AlignHCenter | Qt::AlignTop, QString::number(qint64(x)));
    }
    painter.setPen(QPen(Axis, 0.8 * unit));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());

    painter.setRenderHint(QPainter::Antialiasing);
    if (limitOhms) {
        const QString label = QStringLiteral("限值 %1 Ω").arg(ReportRules::limitText(*limitOhms));
        const double labelLeft = legend.right() - metrics.horizontalAdvance(label);
        const double y = at(first, *limitOhms).y();
        painter.setPen(QPen(LimitColour, 1 * unit, Qt::DashLine));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.drawLine(QPointF(labelLeft - 22 * unit, legend.center().y()),
                         QPointF(labelLeft - 4 * unit, legend.center().y()));
        painter.drawText(
            QRectF(labelLeft, legend.top(), legend.right() - labelLeft, legend.height()),
            Qt::AlignRight | Qt::AlignVCenter, label);
    }

    QPainterPath path(at(points.front().x(), points.front().y()));
    for (const QPointF &point : points)
        path.lineTo(at(point.x(), point.y()));
    painter.setPen(QPen(Line, 1.2 * unit));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    // Dots only while they stay apart.
    if (points.size() <= plot.width() / (4 * unit)) {
        painter.setBrush(Line);
        for (const QPointF &point : points)
            painter.drawEllipse(at(point.x(), point.y()), 1.6 * unit, 1.6 * unit);
    }
    painter.restore();
}
