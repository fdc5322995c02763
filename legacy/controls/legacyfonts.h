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

/// The main form's own font at `points`: "宋体" or its Latin name, otherwise a song-style
/// (serif) CJK face, otherwise a plain CJK one, as the font matcher finds them. Its captions
/// and the reading are never padded into columns, so it keeps the serif face where
/// `songFamily()` has to take a monospaced one ("Noto Serif CJK SC" on Debian, where the
/// record boxes and the print-options window use "Noto Sans Mono CJK SC").
QFont mainFormFont(double points);

/// True when one "组" advances exactly as far as two blanks in `font`, by the font's design
/// metrics (hinting may round either advance to whole pixels on a screen).
bool hanIsTwoBlanks(const QFont &font);

} // namespace legacyfonts
