#pragma once

#include <QString>

// The simulator's own floor: a bare client downloading from the paced simulator, with nothing
// else to do. What it cannot beat, no console can; the downloads are shown against it too.
namespace bench
{

/// 1000 records downloaded by a bare POSIX client, against the 4800-baud line's limit. The
/// figure is handed on to the downloads run after it by bench/run.sh.
void simulatorFloor();

/// The floor's milliseconds per record exchange: the one measured earlier in this run of
/// bench/run.sh, else measured (and printed) now. -1 when it cannot be measured.
double floorMsPerExchange();

/// "0.997 of the simulator floor" for a download that reached `ratio` of its limit: that
/// ratio against the floor's ratio to the wire. Says so when the floor is unknown.
QString ofTheFloor(double ratio);

} // namespace bench
