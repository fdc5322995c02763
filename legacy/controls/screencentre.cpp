#include "screencentre.h"

#include <QScreen>
#include <QWidget>

void centreOnScreen(QWidget *window)
{
    if (const QScreen *s = window->screen()) {
        QRect outer = window->frameGeometry();
        outer.moveCenter(s->availableGeometry().center());
        window->move(outer.topLeft());
    }
}
