#pragma once

#include <QCursor>
#include <QImage>

/// The splash window's pictures and its link cursor, drawn by the program itself.
namespace splashart
{

/// Width and height of both splash pictures, in pixels.
constexpr int PictureWidth = 794;
constexpr int PictureHeight = 462;

/// Picture 1 (underneath) or picture 2 (on top, with the web-site box at the link hotspot).
QImage picture(int which);

/// The 32 x 32 cursor shown over the link hotspot.
QCursor linkCursor();

} // namespace splashart
