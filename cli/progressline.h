#pragma once

// What a download says on stderr: a progress bar redrawn in place on a terminal, and the one
// line that ends it.

#include <QString>

namespace ProgressLine
{

/// "[#####-----]  120/1000 records  32.0/s  0:27 left" in at most `width` columns (the bar
/// takes what the figures leave). Before any record the rate and time left read "--".
QString bar(int done, int total, double elapsedS, int width);

/// "downloaded 1000 records in 31.6 s"
QString finished(int records, double elapsedS);

/// "stopped at record 7 of 30: <why>"
QString stopped(int record, int total, const QString &why);

} // namespace ProgressLine
