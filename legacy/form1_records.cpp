// Record pages, trend chart, saving and printing: the parts of the form that show, chart,
// save and print what the link delivers. Placeholders until those parts are built: the form
// calls these hooks, and they do nothing yet.
#include "form1.h"

void Form1::setupRecordsArea() {}

void Form1::ShowRecordPage(qint16) {}

void Form1::RedrawChart() {}
