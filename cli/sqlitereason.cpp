#include "sqlitereason.h"

#include "sqlitecode.h"

QString sqliteReason(const QSqlError &error)
{
    switch (SqliteCode::of(error)) {
    case SqliteCode::Permission:
    case SqliteCode::Auth:
        return QStringLiteral("access to it is refused");
    case SqliteCode::Busy:
    case SqliteCode::Locked:
        return QStringLiteral("it is busy: another program is using it");
    case SqliteCode::ReadOnly:
        return QStringLiteral("it can only be read (a read-only file or disk)");
    case SqliteCode::IoError:
        return QStringLiteral("the disk could not be read or written");
    case SqliteCode::Corrupt:
        return QStringLiteral("the file is damaged");
    case SqliteCode::Full:
        return QStringLiteral("the disk is full");
    case SqliteCode::CantOpen:
        return QStringLiteral("it cannot be opened");
    case SqliteCode::NotADatabase:
        return QStringLiteral("it is not an SQLite database");
    default:
        break;
    }
    const QString words = error.databaseText();
    return words.isEmpty() ? QStringLiteral("SQLite refused without saying why") : words;
}
