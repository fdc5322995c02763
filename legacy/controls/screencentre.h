#pragma once

class QWidget;

/// Moves a form's window, frame included, to the centre of the available area of its screen,
/// as a form that opens centred on the screen does when it shows.
void centreOnScreen(QWidget *window);
