#include "sqlitereason.h"

int sqliteCode(const QSqlError &error)
{
    // Extended codes carry the primary one in their low byte.
    return error.nativeErrorCode().toInt() & 0xff;
}

QString sqliteReason(const QSqlError &error)
{
    switch (sqliteCode(error)) {
    case 3:  // SQLITE_PERM
    case 23: // SQLITE_AUTH
        return QStringLiteral("access to it is refused");
    case SqliteCode::Busy:
    case SqliteCode::Locked:
        return QStringLiteral("it is busy: another program is using it");
    case 8: // SQLITE_READONLY
        return QStringLiteral("it can only be read (a read-only file or disk)");
    case 10: // SQLITE_IOERR
        return QStringLiteral("the disk could not be read or written");
    case 11: // SQLITE_CORRUPT
        return QStringLiteral("the file is damaged");
    case 13: // SQLITE_FULL
        return QStringLiteral("the disk is full");
    case 14: // SQLITE_CANTOPEN
        return QStringLiteral("it cannot be opened");
    case SqliteCode::NotADatabase:
        return QStringLiteral("it is not an SQLite database");
    default:
        break;
    }
    const QString words = error.databaseText();
    return words.isEmpty() ? QStringLiteral("SQLite refused without saying why") : words;
}
