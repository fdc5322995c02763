#pragma once

#include <QString>

/// The maker line of the moving label and the maker's web site.
namespace makersite
{

/// Company name, web site and e-mail address on one line.
QString makerLine();

/// The web-site address the label and the splash window open.
QString address();

/// Opens the web site without waiting: on Windows "cmd /c start <address>" (without a console
/// window), elsewhere the desktop's URL opener.
void open();

} // namespace makersite
