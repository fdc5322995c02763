#pragma once

#include <QFont>
#include <QString>

/// The song-style font the record pages and the printout are laid out for. Their columns are
/// padded with blanks, so they line up only in a font where one Chinese character is exactly
/// as wide as two blanks.
namespace legacyfonts
{

/// Line height of the song-style font, in em: the pages are laid out for it, and taller CJK
/// fallbacks are squeezed to it.
constexpr double SongLineHeight = 1.125;

/// "宋体" (or its Latin name) where installed, otherwise the first installed monospaced CJK
/// family of a short list ("Noto Sans Mono CJK SC" on Debian), otherwise "宋体" for the
/// font matcher to substitute.
QString songFamily();

/// `songFamily()` at `points`, bold or not.
QFont songFont(double points, bool bold = false);

/// True when one "组" advances exactly as far as two blanks in `font`, by the font's design
/// metrics (hinting may round either advance to whole pixels on a screen).
bool hanIsTwoBlanks(const QFont &font);

} // namespace legacyfonts
