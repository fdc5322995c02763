#include "benchline.h"

#include <cstdio>

bool BenchLine::met() const
{
    switch (goal) {
    case Goal::AtLeast:
        return ratio >= target;
    case Goal::AtMost:
        return ratio <= target;
    case Goal::Report:
        break;
    }
    return true;
}

QString BenchLine::text() const
{
    QString goalText;
    QString verdict;
    switch (goal) {
    case Goal::AtLeast:
        goalText = QStringLiteral("target >= %1").arg(target, 0, 'f', 3);
        verdict = met() ? QStringLiteral("met") : QStringLiteral("NOT MET");
        break;
    case Goal::AtMost:
        goalText = QStringLiteral("target <= %1").arg(target, 0, 'f', 3);
        verdict = met() ? QStringLiteral("met") : QStringLiteral("NOT MET");
        break;
    case Goal::Report:
        goalText = QStringLiteral("no target");
        verdict = QStringLiteral("report");
        break;
    }
    QString line = QStringLiteral("%1 ratio %2  %3  %4  %5")
                       .arg(name, -34)
                       .arg(ratio, 7, 'f', 3)
                       .arg(goalText, -15)
                       .arg(verdict, -7)
                       .arg(figure);
    if (!note.isEmpty())
        line += QStringLiteral(" [") + note + QLatin1Char(']');
    return line;
}

void print(const BenchLine &line)
{
    std::fputs(line.text().toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void printNotice(const QString &name, const QString &text)
{
    const QString line = QStringLiteral("%1 %2").arg(name, -34).arg(text);
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
