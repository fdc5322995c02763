#pragma once

// The report command: a history database into a PDF test report. Drawing text needs Qt's fonts
// and so a GUI application, never a display: the command makes its own, so only it links Qt
// Gui and the other commands run in a core application.

#include "cliargs.h"
#include "exitcode.h"

/// Makes the GUI application for the command line `argc`, `argv` (on the headless platform
/// unless QT_QPA_PLATFORM names one) and writes the report `request` asks for.
ExitCode runReport(int &argc, char **argv, const CliRequest &request);
