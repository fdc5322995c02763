#pragma once

// A printer that keeps what it is told: lines with their font, pages, the end of the document.

#include "legacyprinter.h"

#include <QList>
#include <QString>

struct PrintedLine {
    QString text;
    double points = 0;
    bool bold = false;
    QString family;
};

class RecordingSurface : public legacyprinter::PrintSurface
{
public:
    void setFont(const QString &family, double points, bool bold) override
    {
        font = {QString(), points, bold, family};
    }
    void moveTo(double x, double y) override { moves << QPointF(x, y); }
    void printLine(const QString &text) override
    {
        PrintedLine line = font;
        line.text = text;
        pages.last() << line;
    }
    void newPage() override
    {
        if (failOnNewPage)
            broken = true;
        pages << QList<PrintedLine>();
    }
    void endDoc() override { ++ended; }
    bool failed() const override { return broken; }

    /// Text lines of page `i` after its three header lines.
    QStringList recordLines(int i) const
    {
        QStringList lines;
        for (qsizetype l = 3; l < pages[i].size(); ++l)
            lines << pages[i][l].text;
        return lines;
    }

    QList<QList<PrintedLine>> pages{{}};
    QList<QPointF> moves;
    int ended = 0;
    bool failOnNewPage = false;

private:
    PrintedLine font;
    bool broken = false;
};

/// Hands everything on to a recorder that outlives it, as the print command throws its
/// printer away after the document.
class ForwardingSurface : public legacyprinter::PrintSurface
{
public:
    explicit ForwardingSurface(RecordingSurface &recorder) : target(recorder) {}
    void setFont(const QString &family, double points, bool bold) override
    {
        target.setFont(family, points, bold);
    }
    void moveTo(double x, double y) override { target.moveTo(x, y); }
    void printLine(const QString &text) override { target.printLine(text); }
    void newPage() override { target.newPage(); }
    void endDoc() override { target.endDoc(); }
    bool failed() const override { return target.failed(); }

private:
    RecordingSurface &target;
};
