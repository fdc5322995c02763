// telvoro-bench: runs the named benchmarks (all of them without names) and prints one line
// per result with its ratio and target.
#include "benchline.h"
#include "clibench.h"
#include "legacybench.h"
#include "modernbench.h"
#include "simfloor.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

int main(int argc, char *argv[])
{
    // No display is needed: the windows are shown and painted offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const std::vector<std::pair<QString, void (*)()>> benchmarks = {
        {QStringLiteral("download-floor"), bench::simulatorFloor},
        {QStringLiteral("download-modern"), bench::modernDownload},
        {QStringLiteral("download-legacy"), bench::legacyDownload},
        {QStringLiteral("readings"), bench::readingsLongRun},
        {QStringLiteral("log"), bench::logLongRun},
        {QStringLiteral("startup"), bench::startup},
        {QStringLiteral("paging"), bench::paging},
        {QStringLiteral("csv"), bench::csvExport},
        {QStringLiteral("legacy-page"), bench::legacyPage},
        {QStringLiteral("legacy-save"), bench::legacySave},
        {QStringLiteral("download-cli"), bench::cliDownload},
        {QStringLiteral("watch"), bench::cliWatch},
    };
    QStringList names;
    for (const auto &benchmark : benchmarks)
        names << benchmark.first;

    QStringList chosen = app.arguments().mid(1);
    if (chosen.isEmpty())
        chosen = names;
    for (const QString &name : chosen) {
        // Not a benchmark of its own: the window process the start-up benchmark launches.
        if (name == QStringLiteral("startup-window")) {
            bench::startupWindow();
            continue;
        }
        const auto found =
            std::find_if(benchmarks.begin(), benchmarks.end(),
                         [&name](const auto &benchmark) { return benchmark.first == name; });
        if (found == benchmarks.end()) {
            std::fprintf(stderr, "telvoro-bench: no benchmark \"%s\"; there are: %s\n",
                         qPrintable(name), qPrintable(names.join(QLatin1Char(' '))));
            return 2;
        }
        found->second();
    }
    return 0;
}
