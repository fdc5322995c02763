#pragma once

#include "cliargs.h"
#include "exitcode.h"

#include <optional>

class InstrumentLink;

/// Runs what the command line asked for; its exit status.
ExitCode runCommand(const CliRequest &request);

// The commands of their own files.
ExitCode runWatch(const CliRequest &request);
ExitCode runDownload(const CliRequest &request);
ExitCode runExport(const CliRequest &request);
ExitCode runReport(const CliRequest &request);

/// Finds the instrument (or tries --port) and leaves the link open on it, saying on stderr
/// which port it found. When there is none, says why and gives the exit status.
std::optional<ExitCode> connectInstrument(InstrumentLink &link, const CliRequest &request);
