#pragma once

#include <QString>

/// The printer as the legacy page printer drives it: a font, a print position, lines of text,
/// new pages and the end of the document. Surfaces draw on a printer, a PDF file or images.
namespace legacyprinter
{

class PrintSurface
{
public:
    virtual ~PrintSurface() = default;
    /// Font for the following lines.
    virtual void setFont(const QString &family, double points, bool bold) = 0;
    /// Print position, in twips from the top left corner of the printable area.
    virtual void moveTo(double x, double y) = 0;
    /// Prints `text` at the print position and moves it to the start of the next line.
    virtual void printLine(const QString &text) = 0;
    /// Ends the page; the print position goes back to the top left corner.
    virtual void newPage() = 0;
    /// Ends the document, which sends it to the printer.
    virtual void endDoc() = 0;
    /// True once a step failed. A printer then cancels the job at the end of the document
    /// instead of printing part of it.
    virtual bool failed() const = 0;
};

} // namespace legacyprinter
