#pragma once

#include <QString>

/// One printed result: what was measured, the figure against its target, and the ratio that
/// decides whether the target is met.
struct BenchLine {
    enum class Goal { AtLeast, AtMost, Report };

    BenchLine(const QString &lineName, double lineRatio, Goal lineGoal = Goal::Report,
              double lineTarget = 0)
        : name(lineName), ratio(lineRatio), goal(lineGoal), target(lineTarget)
    {
    }

    QString name;
    double ratio = 0;
    Goal goal = Goal::Report;
    double target = 0;
    QString figure; ///< the measured values behind the ratio, with their units
    QString note;   ///< what limits the figure, when that needs saying

    bool met() const;
    /// "name  ratio r  target >= t  met  figure [note]" on one line.
    QString text() const;
};

/// Prints the line on standard output at once, so a long run shows progress.
void print(const BenchLine &line);
/// Prints a line that is not a benchmark result (a skipped or failed benchmark).
void printNotice(const QString &name, const QString &text);
