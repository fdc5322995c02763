#pragma once

#include <QString>

#include <functional>

/// Opens the web page `address` (a fixed "http://..." address) without waiting for it: on
/// Windows with "cmd /c start " and the address, elsewhere with the desktop's URL opener.
void openWebLink(const QString &address);

/// Replaces how `openWebLink` opens an address (tests keep the addresses instead); an empty
/// function restores the system's way.
void setWebLinkOpener(std::function<void(const QString &address)> opener);

/// The system's way, which `openWebLink` takes unless replaced.
void openWebLinkWithSystem(const QString &address);
