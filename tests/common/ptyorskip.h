#pragma once

#include <QTest>

// Tests that play the instrument on a pseudo-terminal skip, rather than fail, where the system
// cannot open one. `opened` is the attempt: a throwaway probe's open() or the test's own.
#define OPEN_PTY_OR_SKIP(opened)                                                                   \
    do {                                                                                           \
        if (!(opened))                                                                             \
            QSKIP("no pseudo-terminals on this system");                                           \
    } while (false)
