#pragma once

#include <QString>

/// Opens the web page `address` (a fixed "http://..." address) without waiting for it: on
/// Windows with "cmd /c start " and the address, elsewhere with the desktop's URL opener.
void openWebLink(const QString &address);
