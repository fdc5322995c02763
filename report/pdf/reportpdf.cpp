#include "reportpdf.h"

#include "historycell.h"
#include "reportsummary.h"
#include "reporttrend.h"

#include <QFontDatabase>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <memory>

namespace
{

constexpr int Dpi = 600;
constexpr double MarginMm = 15;
// Heights in points. Page 1's block above the table is laid out before anything is drawn, so
// every page's rows are known before the first footer ("page n of N") is drawn; long texts
// make it taller.
constexpr double LinePt = 15;
constexpr double TitleLinePt = 24;
constexpr double TitleGapPt = 8;
constexpr double SectionPt = 22;
constexpr double TrendPt = 170;
constexpr double HeaderRowPt = 18;
constexpr double RowPt = 14;
constexpr double FooterPt = 18;

const QColor Ink(0x21, 0x21, 0x21);
const QColor Muted(0x61, 0x61, 0x61);
const QColor Rule(0xB0, 0xBE, 0xC5);
const QColor HeaderFill(0xE3, 0xEB, 0xF2);
const QColor Stripe(0xF5, 0xF7, 0xF9);
const QColor FailFill(0xFD, 0xE0, 0xDE);
const QColor FailInk(0xB7, 0x1C, 0x1C);

// Relative column widths: the history table's seven columns, then the verdict.
constexpr std::array<double, 8> ColumnWeights = {0.9, 1.2, 1.3, 1.1, 1.1, 0.7, 1.0, 0.8};

QString ohms(const std::optional<double> &value)
{
    return value ? QString::number(*value, 'f', 2) + QStringLiteral(" Ω") : QStringLiteral("—");
}

QString orDash(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("—") : text;
}

// Draws in points on a device that counts in 1/600 inch.
class Sheet
{
public:
    Sheet(QPainter &onto, const QString &fontFamily, const QSizeF &size)
        : painter(onto), family(fontFamily), width(size.width()), height(size.height())
    {
    }

    static constexpr double Unit = Dpi / 72.0;
    static double u(double points) { return points * Unit; }

    QFont font(double points, bool bold = false) const
    {
        QFont f(family);
        f.setPointSizeF(points);
        f.setBold(bold);
        return f;
    }

    // One line of text, shortened with "…" when it does not fit.
    void text(const QRectF &box, Qt::Alignment align, const QString &line, const QFont &f,
              const QColor &colour = Ink)
    {
        painter.setFont(f);
        painter.setPen(colour);
        const QFontMetricsF metrics(f, painter.device());
        painter.drawText(box, int(align | Qt::AlignVCenter),
                         metrics.elidedText(line, Qt::ElideRight, box.width()));
    }

    QPainter &painter;
    const QString family;
    const double width;
    const double height;
};

/// Text in lines `pitch` apart, each centred in its pitch: long lines wrap at word boundaries,
/// or anywhere in a word wider than the line; line breaks in the text are kept. Nothing is cut.
class Paragraph
{
public:
    Paragraph(const QString &text, const QFont &font, double width, double pitch,
              Qt::Alignment align, const QPaintDevice *device)
        : layout(std::make_unique<QTextLayout>(withLineBreaks(text), font, device))
    {
        QTextOption option(align);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout->setTextOption(option);
        layout->beginLayout();
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, lines * pitch + (pitch - line.height()) / 2));
            ++lines;
        }
        layout->endLayout();
        height = std::max(1, lines) * pitch;
    }

    void draw(QPainter &painter, const QPointF &at, const QColor &colour = Ink) const
    {
        painter.setPen(colour);
        layout->draw(&painter, at);
    }

    double height = 0;

private:
    // QTextLayout breaks lines at the Unicode line separator only.
    static QString withLineBreaks(QString text)
    {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        return text.replace(u'\n', QChar::LineSeparator);
    }

    std::unique_ptr<QTextLayout> layout;
    int lines = 0;
};

/// Page 1's block above the table: the title, the header's two columns, the summary and the
/// trend, laid out for the page's width.
struct FirstPageBlock {
    std::unique_ptr<Paragraph> title;
    std::vector<std::unique_ptr<Paragraph>> header; ///< two a row: left, right
    std::vector<std::unique_ptr<Paragraph>> summary;
    double height = 0;
};

QStringList summaryLines(const ReportInfo &info, const QList<HistoryRecord> &records)
{
    const ReportSummary summary = ReportRules::summarize(records, info.limitOhms);
    QStringList lines = {
        QStringLiteral("电阻记录 %1 条（其中超量程 %2 条），电压记录 %3 条（只列出，不判定）")
            .arg(summary.resistanceRecords)
            .arg(summary.overRange)
            .arg(summary.voltageRecords),
        QStringLiteral("电阻平均值（换算为 Ω，不含超量程）：最低 %1，最高 %2，均值 %3")
            .arg(ohms(summary.lowestOhms), ohms(summary.highestOhms), ohms(summary.meanOhms)),
    };
    if (info.limitOhms) {
        lines << QStringLiteral(
                     "判定限值 %1 Ω：合格 %2 条，不合格 %3 条（平均值不低于限值或超量程为不合格）")
                     .arg(ReportRules::limitText(*info.limitOhms))
                     .arg(summary.passed)
                     .arg(summary.failed);
    } else {
        lines << QStringLiteral("未给出判定限值，记录不作合格判定。");
    }
    return lines;
}

FirstPageBlock layOutFirstPage(const Sheet &sheet, const QPaintDevice *device,
                               const ReportInfo &info, const QList<HistoryRecord> &records)
{
    const double w = sheet.width;
    FirstPageBlock block;
    block.title = std::make_unique<Paragraph>(info.title, sheet.font(18, true), w,
                                              Sheet::u(TitleLinePt), Qt::AlignHCenter, device);
    block.height = block.title->height + Sheet::u(TitleGapPt);

    const QFont body = sheet.font(10);
    const QStringList header = {
        QStringLiteral("测试地点：") + orDash(info.site),
        QStringLiteral("报告日期：") + info.date,
        QStringLiteral("测试人员：") + orDash(info.testedBy),
        QStringLiteral("数据库：") + info.database,
        QStringLiteral("记录数：%1 条").arg(records.size()),
    };
    for (int i = 0; i < header.size(); i += 2) {
        double row = 0;
        for (int j = i; j < std::min(i + 2, int(header.size())); ++j) {
            block.header.push_back(std::make_unique<Paragraph>(
                header[j], body, w / 2, Sheet::u(LinePt), Qt::AlignLeft, device));
            row = std::max(row, block.header.back()->height);
        }
        block.height += row;
    }
    block.height += Sheet::u(8) + Sheet::u(SectionPt);
    for (const QString &line : summaryLines(info, records)) {
        block.summary.push_back(
            std::make_unique<Paragraph>(line, body, w, Sheet::u(LinePt), Qt::AlignLeft, device));
        block.height += block.summary.back()->height;
    }
    block.height += Sheet::u(8) + Sheet::u(SectionPt) + Sheet::u(TrendPt) + Sheet::u(12);
    return block;
}

double firstPageTable(const Sheet &sheet, const FirstPageBlock &block)
{
    return sheet.height - block.height - Sheet::u(FooterPt);
}

double laterPageTable(const Sheet &sheet)
{
    return sheet.height - Sheet::u(FooterPt);
}

int rowsIn(double height)
{
    return std::max(0, int((height - Sheet::u(HeaderRowPt)) / Sheet::u(RowPt)));
}

void drawFirstPageBlock(Sheet &sheet, const FirstPageBlock &block, const ReportInfo &info,
                        const QList<HistoryRecord> &records)
{
    const double w = sheet.width;
    double y = 0;
    block.title->draw(sheet.painter, QPointF(0, y));
    y += block.title->height + Sheet::u(TitleGapPt);

    for (std::size_t i = 0; i < block.header.size(); i += 2) {
        double row = 0;
        for (std::size_t j = i; j < std::min(i + 2, block.header.size()); ++j) {
            block.header[j]->draw(sheet.painter, QPointF(double(j - i) * w / 2, y));
            row = std::max(row, block.header[j]->height);
        }
        y += row;
    }
    y += Sheet::u(8);

    const QFont section = sheet.font(12, true);
    sheet.text(QRectF(0, y, w, Sheet::u(SectionPt)), Qt::AlignLeft, QStringLiteral("测试结果摘要"),
               section);
    y += Sheet::u(SectionPt);
    for (const std::unique_ptr<Paragraph> &line : block.summary) {
        line->draw(sheet.painter, QPointF(0, y));
        y += line->height;
    }
    y += Sheet::u(8);

    sheet.text(QRectF(0, y, w, Sheet::u(SectionPt)), Qt::AlignLeft,
               QStringLiteral("阻值趋势（各电阻记录的平均值，Ω）"), section);
    y += Sheet::u(SectionPt);
    drawTrend(sheet.painter, QRectF(0, y, w, Sheet::u(TrendPt)), records, info.limitOhms,
              sheet.font(8), Sheet::Unit);
}

void drawTable(Sheet &sheet, double top, const QList<HistoryRecord> &records, int first, int count,
               const ReportInfo &info)
{
    QStringList headers = HistoryCells::headers();
    if (info.limitOhms)
        headers << QStringLiteral("判定");
    double total = 0;
    for (int c = 0; c < headers.size(); ++c)
        total += ColumnWeights[c];
    QList<double> lefts = {0};
    for (int c = 0; c < headers.size(); ++c)
        lefts << lefts.back() + ColumnWeights[c] / total * sheet.width;
    const auto cell = [&](int c, double y, double h) {
        return QRectF(lefts[c] + Sheet::u(3), y, lefts[c + 1] - lefts[c] - Sheet::u(6), h);
    };

    QPainter &p = sheet.painter;
    double y = top;
    const double headerHeight = Sheet::u(HeaderRowPt);
    p.fillRect(QRectF(0, y, sheet.width, headerHeight), HeaderFill);
    for (int c = 0; c < headers.size(); ++c)
        sheet.text(cell(c, y, headerHeight), Qt::AlignHCenter, headers[c], sheet.font(8.5, true));
    y += headerHeight;

    const QFont body = sheet.font(8.5);
    const QFont bold = sheet.font(8.5, true);
    const double rowHeight = Sheet::u(RowPt);
    for (int i = first; i < first + count; ++i) {
        const HistoryRecord &record = records[i];
        const Verdict verdict = ReportRules::verdict(record, info.limitOhms);
        const bool failed = verdict == Verdict::Fail;
        if (failed || i % 2 == 1)
            p.fillRect(QRectF(0, y, sheet.width, rowHeight), failed ? FailFill : Stripe);
        const QList<HistoryCell> cells = HistoryCells::rowCells(record);
        for (int c = 0; c < cells.size(); ++c) {
            const Qt::Alignment align =
                cells[c].alignment.value_or(Qt::AlignCenter) & Qt::AlignHorizontal_Mask;
            const QColor colour = failed                      ? FailInk
                                  : cells[c].colour.isEmpty() ? Ink
                                                              : QColor(cells[c].colour);
            sheet.text(cell(c, y, rowHeight), align, cells[c].text, body, colour);
        }
        if (info.limitOhms) {
            const QString text = verdict == Verdict::Pass   ? QStringLiteral("合格")
                                 : verdict == Verdict::Fail ? QStringLiteral("不合格")
                                                            : QStringLiteral("—");
            sheet.text(cell(int(headers.size()) - 1, y, rowHeight), Qt::AlignHCenter, text,
                       failed ? bold : body, failed ? FailInk : Ink);
        }
        y += rowHeight;
    }
    if (records.isEmpty()) {
        sheet.text(QRectF(0, y, sheet.width, rowHeight), Qt::AlignHCenter,
                   QStringLiteral("数据库中没有记录。"), body, Muted);
        y += rowHeight;
    }
    p.setPen(QPen(Rule, Sheet::u(0.6)));
    p.drawLine(QPointF(0, top), QPointF(sheet.width, top));
    p.drawLine(QPointF(0, top + headerHeight), QPointF(sheet.width, top + headerHeight));
    p.drawLine(QPointF(0, y), QPointF(sheet.width, y));
}

void drawFooter(Sheet &sheet, int page, int pages)
{
    const QRectF box(0, sheet.height - Sheet::u(FooterPt - 4), sheet.width, Sheet::u(FooterPt - 4));
    sheet.text(box, Qt::AlignHCenter, QStringLiteral("第 %1 / %2 页").arg(page).arg(pages),
               sheet.font(8), Muted);
}

} // namespace

namespace ReportPdf
{

QString chineseFontFamily()
{
    const QStringList families = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    // WenQuanYi first: its characters copy out of the PDF as themselves, while Noto's glyphs
    // that radicals share come out as the radicals' code points.
    for (const QString &preferred :
         {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
          QStringLiteral("Microsoft YaHei"), QStringLiteral("SimSun")}) {
        if (families.contains(preferred))
            return preferred;
    }
    return QString();
}

QList<int> rowsPerPage(int rows, int firstPageRows, int pageRows)
{
    QList<int> pages = {std::min(rows, firstPageRows)};
    for (int left = rows - pages.front(); left > 0; left -= pages.back())
        pages << std::min(left, pageRows);
    return pages;
}

Outcome write(QIODevice *device, const ReportInfo &info, const QList<HistoryRecord> &records,
              const QString &fontFamily, const std::function<bool()> &carryOn)
{
    QPdfWriter writer(device);
    writer.setResolution(Dpi);
    writer.setTitle(info.title);
    writer.setCreator(QStringLiteral("telvoro-cli"));
    writer.setPageLayout(QPageLayout(QPageSize(info.paper), QPageLayout::Portrait,
                                     QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                                     QPageLayout::Millimeter));
    QPainter painter;
    Sheet sheet(painter, fontFamily, writer.pageLayout().paintRectPixels(Dpi).size());
    // Laid out before the painter begins: nothing is written when it does not fit.
    const FirstPageBlock block = layOutFirstPage(sheet, &writer, info, records);
    const double tableRoom = firstPageTable(sheet, block);
    if (tableRoom < (records.isEmpty() ? Sheet::u(HeaderRowPt + RowPt) : 0))
        return Outcome::FirstPageTooLong;
    if (!painter.begin(&writer))
        return Outcome::Failed;

    const QList<int> pages = rowsPerPage(int(records.size()), rowsIn(tableRoom),
                                         std::max(1, rowsIn(laterPageTable(sheet))));
    int first = 0;
    for (int page = 0; page < pages.size(); ++page) {
        if (!carryOn()) {
            painter.end();
            return Outcome::Stopped;
        }
        if (page > 0)
            writer.newPage();
        double top = 0;
        if (page == 0) {
            drawFirstPageBlock(sheet, block, info, records);
            top = block.height;
        }
        if (pages[page] > 0 || records.isEmpty())
            drawTable(sheet, top, records, first, pages[page], info);
        first += pages[page];
        drawFooter(sheet, page + 1, int(pages.size()));
    }
    return painter.end() ? Outcome::Written : Outcome::Failed;
}

} // namespace ReportPdf
