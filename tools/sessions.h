#pragma once

#include <QString>

/// Drives TelvoroConsole against a simulated instrument and saves its screenshots in `folder`.
bool renderConsole(const QString &folder);
/// Drives the legacy console (splash, live chart, record pages) the same way.
bool renderLegacy(const QString &folder);
