// The trend chart: drawn into the persistent image of the chart area, rescaled by dragging.
#include "form1.h"

#include "chartdrawing.h"
#include "picturebox.h"
#include "trendchart.h"

#include <QCheckBox>
#include <QLineEdit>

#include <algorithm>
#include <cmath>

void Form1::RedrawChart()
{
    Picture2->clearPicture();
    const bool maxCurve = Check1->isChecked();
    const bool minCurve = Check2->isChecked();
    const bool avgCurve = Check4->isChecked();
    if (!maxCurve && !minCurve && !avgCurve) {
        std::fill_n(state.plotBuf.begin(), trendchart::ChartPoints, 0.0);
        DrawChart();
    }
    if (maxCurve) {
        trendchart::fillPlot(state, state.histMax);
        DrawChart();
    }
    if (minCurve) {
        trendchart::fillPlot(state, state.histMin);
        DrawChart();
    }
    if (avgCurve) {
        trendchart::fillPlot(state, state.histAvg);
        DrawChart();
    }
}

void Form1::DrawChart()
{
    state.chartScale = trendchart::effectiveScale(state.chartScale);
    trendchart::drawChart(Picture2->image(), Picture2->dpi(), state.plotBuf, state.chartScale,
                          Picture2->palette().color(QPalette::ButtonText), Picture2->font());
    Picture2->update();
}

void Form1::ShowCursorValue(double, double y)
{
    state.chartScale = trendchart::effectiveScale(state.chartScale);
    Text3->setText(trendchart::cursorValueText(y, Picture2->scaleHeight(), state.chartScale));
}

void Form1::Picture2_MouseDown(Qt::MouseButton, double, double y)
{
    state.pressY = qint32(std::nearbyint(y));
}

void Form1::Picture2_MouseUp(Qt::MouseButton, double, double y)
{
    state.chartScale = trendchart::scaleAfterDrag(state.chartScale, state.pressY, y);
    RedrawChart();
}

void Form1::Picture2_MouseMove(Qt::MouseButtons, double x, double y)
{
    ShowCursorValue(x, y);
}
