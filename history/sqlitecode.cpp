#include "sqlitecode.h"

namespace SqliteCode
{

int of(const QSqlError &error)
{
    // Extended codes carry the primary one in their low byte.
    return error.nativeErrorCode().toInt() & 0xff;
}

bool isBusy(const QSqlError &error)
{
    const int code = of(error);
    return code == Busy || code == Locked;
}

} // namespace SqliteCode
