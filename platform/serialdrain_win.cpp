#include "serialdrain.h"

// Nothing is left to wait for here. Qt writes with overlapped WriteFile and no write time-out,
// and waitForBytesWritten returns once that write has completed, which a serial driver does
// when the bytes have left its queue. Asking the driver instead (ClearCommError's cbOutQue)
// would also clear the line errors Qt's own backend reads, and a poll with sleeps would wake
// only every 15 ms or so.
void waitUntilSent(const QSerialPort &, const QDeadlineTimer &) {}
