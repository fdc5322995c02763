#pragma once

#include "printsurface.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QString>

#include <functional>
#include <memory>

class QPagedPaintDevice;
class QPrinter;

/// The surfaces the legacy page printer draws on.
namespace legacyprinter
{

/// Draws the lines with a painter; the line advance is the font's line spacing, at most
/// 1.125 em, the height of the song-style font the page is laid out for (taller CJK
/// fallbacks would push a full page of 84 lines off the paper).
class PainterSurface : public PrintSurface
{
public:
    void setFont(const QString &family, double points, bool bold) override;
    void moveTo(double x, double y) override;
    void printLine(const QString &text) override;
    bool failed() const override { return m_failed; }

protected:
    /// Starts painting on `device` (at the top left corner); false when it cannot be painted.
    bool begin(QPaintDevice *device);
    void endPainting();
    void fail() { m_failed = true; }
    bool painting() const { return m_painter.isActive(); }
    /// Opens the first page when nothing is painted yet.
    virtual bool ensurePage() = 0;

private:
    QPainter m_painter;
    QFont m_font;
    QPointF m_position; ///< device pixels
    bool m_failed = false;
};

/// Pages of a QPrinter or a QPdfWriter.
class PagedSurface : public PainterSurface
{
public:
    explicit PagedSurface(QPagedPaintDevice &device);
    void newPage() override;
    void endDoc() override;

protected:
    bool ensurePage() override;
    QPagedPaintDevice &device() { return m_device; }

private:
    QPagedPaintDevice &m_device;
};

/// Pages as images (A4 portrait, white), for checking pages without a printer.
class ImageSurface : public PainterSurface
{
public:
    explicit ImageSurface(double dpi = 150);
    void newPage() override;
    void endDoc() override;
    /// Every page begun so far, the last one complete once the document ended.
    const QList<QImage> &pages() const { return m_pages; }

protected:
    bool ensurePage() override;

private:
    double m_dpi;
    QList<QImage> m_pages;
};

/// Opens the surface for the system's default printer; no surface (and `problem` set to a
/// message for the operator) when there is none.
using Opener = std::function<std::unique_ptr<PrintSurface>(QString *problem)>;

/// The default printer, or what `setOpener` installed.
std::unique_ptr<PrintSurface> openDefaultPrinter(QString *problem);

/// Replaces the printer process-wide (tests); an empty function restores the default printer.
void setOpener(Opener opener);

} // namespace legacyprinter
