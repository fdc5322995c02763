#pragma once

// The verdict a test station reads instead of a PDF: one JSON line of what a history's records
// give against a limit, and an exit status that fails when any record does.

#include "cliargs.h"
#include "exitcode.h"
#include "historyrecord.h"

#include <QList>
#include <QString>

namespace VerdictLine
{

/// `{"limit_ohms":4,"records":6,"judged":4,"passed":2,"failed":2,"over_range":1,
/// "failed_records":[2,5],"verdict":"fail"}`: judged are the resistance records, over_range
/// those of them over range (which fail); the verdict is "fail" when any record failed,
/// "pass" when every judged one passed, "none" when there was nothing to judge.
QString json(const QList<HistoryRecord> &records, double limitOhms);

/// False, with `error`, when the verdict's file is the history database or the other output.
bool checkTarget(const CliRequest &request, QString *error);

/// When the request asks for a verdict: writes it where `request.verdict` says ("-": standard
/// output) and gives RecordFailed when a record failed, else Done; FileError when it cannot be
/// written. Done when no verdict was asked for.
ExitCode finish(const CliRequest &request, const QList<HistoryRecord> &records);

} // namespace VerdictLine
