#pragma once

// What a download says on stderr: a progress bar redrawn in place on a terminal, and the one
// line that ends it.

#include <QString>

namespace ProgressLine
{

/// "[#####-----]  120/1000 records  32.0/s  0:27 left" in at most `width` columns (the bar
/// takes what the figures leave). Before any record the rate and time left read "--". The
/// rate counts the records after `from`, where a resumed download began.
QString bar(int done, int total, double elapsedS, int width, int from = 0);

/// "downloaded 1000 records in 31.6 s"
QString finished(int records, double elapsedS);

/// "downloaded records 40 to 120 in 2.1 s (1 to 39 were kept)": the end of a download that
/// went on from record `first`.
QString resumed(int first, int total, double elapsedS);

/// What follows the end line when records were skipped: ": 27 stored, 3 skipped as they hold no
/// measurement"; nothing when none were.
QString stored(int stored, int skipped);

/// "stopped at record 7 of 30: <why>"
QString stopped(int record, int total, const QString &why);

} // namespace ProgressLine
