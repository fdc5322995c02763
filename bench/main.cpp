// telvoro-bench: runs the named benchmarks (all of them without names) and prints one line
// per result with its ratio and target.
#include "benchline.h"
#include "legacybench.h"
#include "modernbench.h"

#include <QApplication>

#include <cstdio>
#include <functional>
#include <map>

int main(int argc, char *argv[])
{
    // No display is needed: the windows are shown and painted offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const std::map<QString, std::function<void()>> benchmarks = {
        {QStringLiteral("download-modern"), bench::modernDownload},
        {QStringLiteral("download-legacy"), bench::legacyDownload},
        {QStringLiteral("readings"), bench::readingsLongRun},
        {QStringLiteral("log"), bench::logLongRun},
        {QStringLiteral("startup"), bench::startup},
        {QStringLiteral("paging"), bench::paging},
        {QStringLiteral("csv"), bench::csvExport},
        {QStringLiteral("legacy-page"), bench::legacyPage},
        {QStringLiteral("legacy-save"), bench::legacySave},
        // Not a benchmark of its own: the window process the start-up benchmark launches.
        {QStringLiteral("startup-window"), bench::startupWindow},
    };
    const QStringList order = {QStringLiteral("download-modern"),
                               QStringLiteral("download-legacy"),
                               QStringLiteral("readings"),
                               QStringLiteral("log"),
                               QStringLiteral("startup"),
                               QStringLiteral("paging"),
                               QStringLiteral("csv"),
                               QStringLiteral("legacy-page"),
                               QStringLiteral("legacy-save")};

    QStringList chosen = app.arguments().mid(1);
    if (chosen.isEmpty())
        chosen = order;
    for (const QString &name : chosen) {
        const auto found = benchmarks.find(name);
        if (found == benchmarks.end()) {
            std::fprintf(stderr, "telvoro-bench: no benchmark \"%s\"; there are: %s\n",
                         qPrintable(name), qPrintable(order.join(QLatin1Char(' '))));
            return 2;
        }
        found->second();
    }
    return 0;
}
