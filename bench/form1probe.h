#pragma once

// The legacy main form's state and record glue as the benchmarks drive them.

#include "form1.h"
#include "formtimer.h"

struct Form1Probe {
    /// Stops every form timer, so only what a benchmark does runs.
    static void stopTimers(Form1 &f)
    {
        for (FormTimer *t : {f.Timer1, f.Timer2, f.Timer3, f.Timer4, f.Timer5, f.Timer6, f.Timer7,
                             f.Timer8, f.Timer9, f.Timer10})
            t->setEnabled(false);
    }
    static void showRecordBoxes(Form1 &f) { f.setRecordBoxesVisible(true); }
    static legacy::ValueFormatter valueFormatter(Form1 &f) { return f.valueFormatter(); }
};
