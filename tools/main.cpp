// Renders both consoles offscreen against the instrument simulator and saves their windows as
// PNG files, for the README and for reviewing the look of a change.
//
//   telvoro-screenshots [output folder]     (default: <build folder>/screenshots)

#include "sessions.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const QString folder = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1])
                                         : QStringLiteral(TELVORO_BUILD_DIR "/screenshots"))
                               .absolutePath();
    if (!QDir().mkpath(folder)) {
        QTextStream(stderr) << "telvoro-screenshots: cannot create " << folder << '\n';
        return 1;
    }
    return renderConsole(folder) && renderLegacy(folder) ? 0 : 1;
}
