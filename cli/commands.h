#pragma once

#include "cliargs.h"
#include "exitcode.h"

#include <QString>

#include <optional>

class InstrumentLink;

/// Runs what the command line asked for, in a core application; its exit status. The report
/// command is runReport's (reportcommand.h).
ExitCode runCommand(const CliRequest &request);

// The commands of their own files.
ExitCode runWatch(const CliRequest &request);
ExitCode runDownload(const CliRequest &request);
ExitCode runExport(const CliRequest &request);

/// Finds the instrument (or tries --port) and leaves the link open on it, saying on stderr
/// which port it found (unless --quiet). When there is none, or a stop came first, says why and
/// gives the exit status.
std::optional<ExitCode> connectInstrument(InstrumentLink &link, const CliRequest &request);

/// `line` on standard output; when it cannot be written (a full disk, a closed pipe), says so
/// on stderr and gives false.
bool printResult(const QString &line);

/// The CSV form's header line, when the request is for CSV with a header; false when it could
/// not be written.
bool printCsvHeader(const CliRequest &request);

/// Says `message` (how a stop, SIGINT or SIGTERM, ended the run) and gives the status for it.
ExitCode interrupted(const QString &message);
