// Saving what the display area shows: the records as GBK text, or the chart as a bitmap.
#include "form1.h"

#include "datafolder.h"
#include "picturebox.h"
#include "recordtext.h"

#include <QSaveFile>
#include <QTextEdit>

void Form1::Command4_Click()
{
    // A folder that cannot be made leaves the dialog to open wherever the platform likes.
    datafolder::ensure();
    if (!RichTextBox1->isHidden())
        saveRecords();
    else
        saveChart();
}

void Form1::saveRecords()
{
    CommonDialog1.DefaultExt = QStringLiteral(".txt");
    CommonDialog1.FileName = QStringLiteral("KOVA.txt");
    CommonDialog1.Filter = QStringLiteral(".txt");
    CommonDialog1.InitDir = datafolder::path();
    if (!CommonDialog1.ShowSave(this))
        return;
    const QByteArray bytes =
        legacy::recordFileBytes(legacy::recordFileLines(state, valueFormatter()));
    // Written aside and renamed over the old file, so a failed save leaves that one whole.
    QSaveFile file(CommonDialog1.FileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        reportSaveFailure();
}

void Form1::saveChart()
{
    CommonDialog1.DefaultExt = QStringLiteral(".bmp");
    CommonDialog1.FileName = QStringLiteral("KOVA.bmp");
    CommonDialog1.Filter = QStringLiteral(".bmp");
    CommonDialog1.InitDir = datafolder::path();
    if (!CommonDialog1.ShowSave(this))
        return;
    // As the record file: a bitmap that cannot be written whole leaves the old one as it was.
    QSaveFile file(CommonDialog1.FileName);
    if (!file.open(QIODevice::WriteOnly) || !Picture2->image().save(&file, "BMP") || !file.commit())
        reportSaveFailure();
}

void Form1::reportSaveFailure()
{
    reportFailure(QStringLiteral("保存失败：无法写入 %1").arg(CommonDialog1.FileName));
}
