#include "devicelock.h"

namespace DeviceLock
{

bool lock(const QSerialPort &, QString *)
{
    // Windows opens a COM port for one handle only (no sharing): a second program, whatever
    // name it used, already failed to open it.
    return true;
}

} // namespace DeviceLock
