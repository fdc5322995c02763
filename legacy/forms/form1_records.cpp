// Shared glue of the record pages, saving and printing: the record boxes' set-up and text,
// and the formatter the record renderers call.
#include "form1.h"

#include "legacyfonts.h"
#include "picturebox.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QMessageBox>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

namespace
{

constexpr double RecordBoxPoints = 7.5;

} // namespace

void Form1::setupRecordsArea()
{
    for (QTextEdit *box : {RichTextBox1, RichTextBox2}) {
        box->setFont(legacyfonts::songFont(RecordBoxPoints));
        box->setReadOnly(true);
        box->setLineWrapMode(QTextEdit::NoWrap);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box->document()->setDocumentMargin(2);
    }
    Picture2->clearPicture();
}

void Form1::setRecordBoxText(QTextEdit *box, const QString &text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box->setPlainText(lines);
    // A CJK fallback font spaces its lines wider than the song font the page is made for;
    // without this the 26 lines would not fit into the box.
    const QFontMetricsF metrics(box->font());
    const double em = QFontInfo(box->font()).pixelSize();
    if (metrics.lineSpacing() > legacyfonts::SongLineHeight * em) {
        QTextBlockFormat format;
        format.setLineHeight(100.0 * legacyfonts::SongLineHeight * em / metrics.lineSpacing(),
                             QTextBlockFormat::ProportionalHeight);
        QTextCursor cursor(box->document());
        cursor.select(QTextCursor::Document);
        cursor.mergeBlockFormat(format);
    }
}

legacy::ValueFormatter Form1::valueFormatter()
{
    // Rows leave the alarm condition alone: the lamp follows the live reading, not the last
    // record a page, a save or a printout happened to format.
    return legacy::plainValue;
}

void Form1::reportFailure(const QString &text)
{
    QMessageBox::warning(this, QStringLiteral("系统提示!"), text);
}
