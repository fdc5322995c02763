#include "legacyprinter.h"

#include "legacyfonts.h"
#include "twips.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cmath>

namespace legacyprinter
{

namespace
{

Opener &installedOpener()
{
    static Opener opener;
    return opener;
}

// The default printer, owned by its surface; a failed job is cancelled.
class PrinterSurface : public PagedSurface
{
public:
    explicit PrinterSurface(std::unique_ptr<QPrinter> printer)
        : PagedSurface(*printer), m_printer(std::move(printer))
    {
    }
    ~PrinterSurface() override { endPainting(); }

    bool failed() const override
    {
        return PagedSurface::failed() || m_printer->printerState() == QPrinter::Error;
    }
    void endDoc() override
    {
        if (failed())
            m_printer->abort();
        PagedSurface::endDoc();
    }

private:
    std::unique_ptr<QPrinter> m_printer;
};

} // namespace

void PainterSurface::setFont(const QString &family, double points, bool bold)
{
    m_font = QFont(family);
    m_font.setStyleHint(QFont::TypeWriter);
    m_font.setPointSizeF(points);
    m_font.setBold(bold);
    if (painting())
        m_painter.setFont(m_font);
}

void PainterSurface::moveTo(double x, double y)
{
    if (!ensurePage())
        return;
    const QPaintDevice *device = m_painter.device();
    m_position = QPointF(x * device->logicalDpiX() / twips::PerInch,
                         y * device->logicalDpiY() / twips::PerInch);
}

void PainterSurface::printLine(const QString &text)
{
    if (!ensurePage())
        return;
    m_painter.setFont(m_font);
    const QFontMetricsF metrics(m_font, m_painter.device());
    const double em = m_font.pointSizeF() * m_painter.device()->logicalDpiY() / 72.0;
    const double advance = std::min(metrics.lineSpacing(), legacyfonts::SongLineHeight * em);
    // The baseline moves up with the line, in proportion to the font's own spacing.
    const double baseline = metrics.ascent() * advance / metrics.lineSpacing();
    m_painter.drawText(m_position + QPointF(0, baseline), text);
    m_position = QPointF(0, m_position.y() + advance);
}

bool PainterSurface::begin(QPaintDevice *device)
{
    if (!m_painter.begin(device)) {
        m_failed = true;
        return false;
    }
    m_painter.setFont(m_font);
    m_painter.setPen(Qt::black);
    m_position = {};
    return true;
}

void PainterSurface::endPainting()
{
    if (m_painter.isActive() && !m_painter.end())
        m_failed = true;
}

PagedSurface::PagedSurface(QPagedPaintDevice &device) : m_device(device) {}

bool PagedSurface::ensurePage()
{
    if (painting())
        return true;
    return !failed() && begin(&m_device);
}

void PagedSurface::newPage()
{
    if (!ensurePage())
        return;
    if (!m_device.newPage())
        fail();
    moveTo(0, 0);
}

void PagedSurface::endDoc()
{
    // A document with nothing printed still goes out as one (empty) page.
    ensurePage();
    endPainting();
}

ImageSurface::ImageSurface(double dpi) : m_dpi(dpi) {}

bool ImageSurface::ensurePage()
{
    if (painting())
        return true;
    const QSizeF inches = QPageSize(QPageSize::A4).size(QPageSize::Inch);
    QImage page(int(std::lround(inches.width() * m_dpi)), int(std::lround(inches.height() * m_dpi)),
                QImage::Format_RGB32);
    const int dotsPerMeter = int(std::lround(m_dpi / 0.0254));
    page.setDotsPerMeterX(dotsPerMeter);
    page.setDotsPerMeterY(dotsPerMeter);
    page.fill(Qt::white);
    m_pages.append(page);
    return begin(&m_pages.last());
}

void ImageSurface::newPage()
{
    ensurePage();
    endPainting();
    ensurePage();
}

void ImageSurface::endDoc()
{
    ensurePage();
    endPainting();
}

std::unique_ptr<PrintSurface> openDefaultPrinter(QString *problem)
{
    if (installedOpener())
        return installedOpener()(problem);
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        if (problem)
            *problem = QStringLiteral("没有找到默认打印机，请先安装打印机。本次没有打印。");
        return nullptr;
    }
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer->setDocName(QStringLiteral("Telvoro"));
    if (!printer->isValid()) {
        if (problem)
            *problem = QStringLiteral("打印机\"%1\"不可用。本次没有打印。").arg(info.printerName());
        return nullptr;
    }
    return std::make_unique<PrinterSurface>(std::move(printer));
}

void setOpener(Opener opener)
{
    installedOpener() = std::move(opener);
}

} // namespace legacyprinter
