#pragma once

#include <QByteArray>
#include <QString>

// What telvoro-cli says and uses that depends on the operating system.
namespace CliHints
{

/// The Qt platform plugin that draws without a display (the PDF report), with its options, as
/// QT_QPA_PLATFORM takes it.
QByteArray headlessPlatform();

/// How to install a font with Chinese characters.
QString chineseFontHint();

/// What to do when a serial port refused access.
QString portAccessHint();

} // namespace CliHints
