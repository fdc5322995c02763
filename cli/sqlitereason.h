#pragma once

// Why SQLite refused, in the words of the people who use telvoro-cli rather than the driver's.

#include <QSqlError>
#include <QString>

/// The reason in plain words, e.g. "the disk is full"; SQLite's own words where it has no
/// plainer ones, never the driver's.
QString sqliteReason(const QSqlError &error);
