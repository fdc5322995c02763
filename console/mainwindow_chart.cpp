// Trend chart, hover card and display selector.
#include "mainwindow.h"

#include "hovercard.h"
#include "valuetext.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QEvent>
#include <QGraphicsLineItem>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QValueAxis>

namespace
{

// Fades a legend entry to half opacity while its line is hidden, so it can be clicked back.
void toggleSeriesOf(QLegendMarker *marker)
{
    QAbstractSeries *series = marker->series();
    if (!series)
        return;
    const bool wasVisible = series->isVisible();
    series->setVisible(!wasVisible);
    marker->setVisible(true);

    const qreal alpha = wasVisible ? 0.5 : 1.0;
    QBrush labelBrush = marker->labelBrush();
    QColor labelColor = labelBrush.color();
    labelColor.setAlphaF(alpha);
    labelBrush.setColor(labelColor);
    marker->setLabelBrush(labelBrush);

    QBrush brush = marker->brush();
    QColor brushColor = brush.color();
    brushColor.setAlphaF(alpha);
    brush.setColor(brushColor);
    marker->setBrush(brush);
}

} // namespace

void MainWindow::initChart()
{
    chart = new QChart;
    chart->setTitle(QStringLiteral("实时接地电阻 (Ω)"));
    chart->legend()->setAlignment(Qt::AlignBottom);

    seriesAvg = new QLineSeries;
    seriesAvg->setName(QStringLiteral("平均阻值"));
    seriesAvg->setPen(QPen(QBrush(Qt::green), 2, Qt::SolidLine));
    seriesMax = new QLineSeries;
    seriesMax->setName(QStringLiteral("最大阻值"));
    seriesMax->setPen(QPen(QBrush(Qt::red), 2, Qt::DashLine));
    seriesMax->setVisible(true);
    seriesMin = new QLineSeries;
    seriesMin->setName(QStringLiteral("最小阻值"));
    seriesMin->setPen(QPen(QBrush(Qt::blue), 2, Qt::DashLine));
    seriesMin->setVisible(true);
    chart->addSeries(seriesAvg);
    chart->addSeries(seriesMax);
    chart->addSeries(seriesMin);

    axisX = new QValueAxis;
    axisX->setTitleText(QStringLiteral("时间 (s)"));
    axisX->setRange(0, 60);
    axisX->setLabelFormat(QStringLiteral("%d"));
    axisX->setTickCount(7);
    axisY = new QValueAxis;
    axisY->setTitleText(QStringLiteral("电阻 (Ω)"));
    axisY->setRange(0, 200);
    axisY->setLabelFormat(QStringLiteral("%.2f"));
    chart->addAxis(axisX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);
    for (QLineSeries *series : {seriesAvg, seriesMax, seriesMin}) {
        series->attachAxis(axisX);
        series->attachAxis(axisY);
    }

    chartView = new QChartView(chart);
    chartView->setRenderHint(QPainter::Antialiasing);

    const QList<QLegendMarker *> markers = chart->legend()->markers();
    for (QLegendMarker *marker : markers)
        connect(marker, &QLegendMarker::clicked, this, [marker] { toggleSeriesOf(marker); });

    hoverLine = new QGraphicsLineItem(chart);
    hoverLine->setPen(QPen(QBrush(QColor(150, 150, 150, 150)), 1, Qt::DashLine));
    hoverLine->setZValue(11);
    hoverLine->hide();
    hoverTooltip = new QGraphicsTextItem(chart);
    hoverTooltip->setZValue(11);
    hoverTooltip->hide();

    // Moves must arrive without a pressed button for the cursor to follow the pointer.
    chartView->viewport()->setMouseTracking(true);
    chartView->viewport()->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (chartView && watched == chartView->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            const QPointF position = static_cast<QMouseEvent *>(event)->position();
            const QPoint pointer(HoverCard::nearestWhole(position.x()),
                                 HoverCard::nearestWhole(position.y()));
            const QRectF plot = chart->plotArea();
            if (!plot.contains(pointer)) {
                hoverLine->hide();
                hoverTooltip->hide();
            } else {
                const int xi = HoverCard::nearestWhole(chart->mapToValue(pointer).x());
                const qreal px = chart->mapToPosition(QPointF(xi, 0)).x();
                hoverLine->setLine(px, plot.top(), px, plot.bottom());
                hoverLine->show();

                QStringList entries;
                const std::pair<QLineSeries *, HoverCard::Curve> curves[] = {
                    {seriesMax, HoverCard::Curve::Max},
                    {seriesAvg, HoverCard::Curve::Avg},
                    {seriesMin, HoverCard::Curve::Min}};
                for (const auto &[series, curve] : curves) {
                    if (!series->isVisible())
                        continue;
                    if (const auto y = HoverCard::valueAt(series->points(), xi))
                        entries << HoverCard::entryHtml(curve, *y, decimalPlaces);
                }

                if (entries.isEmpty()) {
                    hoverTooltip->hide();
                } else {
                    hoverTooltip->setHtml(HoverCard::cardHtml(entries));
                    const qreal cardWidth = hoverTooltip->boundingRect().width();
                    hoverTooltip->setPos(HoverCard::cardLeft(px, cardWidth, plot.right()),
                                         pointer.y() + 12);
                    hoverTooltip->show();
                }
            }
        } else if (event->type() == QEvent::Leave) {
            hoverLine->hide();
            hoverTooltip->hide();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::onResDisplayModeChanged(int index)
{
    if (isVoltageMode)
        return;

    double value = 0;
    switch (index) {
    case 0:
        value = latestAvg;
        break;
    case 1:
        value = latestMax;
        break;
    case 2:
        value = latestMin;
        break;
    default:
        break;
    }
    labelHugeData->setText(formatValueWithUnit(value, decimalPlaces, resistanceUnit));
    labelHugeData->setStyleSheet(QStringLiteral("color: #4CAF50;"));
}
