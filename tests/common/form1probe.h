#pragma once

// Reaches the legacy main form's controls, timers and handlers the way the form's own parts
// do, for the tests and the benchmarks.

#include "form1.h"
#include "formtimer.h"
#include "mscomm.h"
#include "picturebox.h"

#include <QList>
#include <QTextEdit>

struct Form1Probe {
    static legacy::LegacyState &state(Form1 &f) { return f.state; }
    static MSComm *comm(Form1 &f) { return f.MSComm1; }
    static int label20Left(Form1 &f) { return f.label20Left; }
    static PictureBox *picture(Form1 &f) { return f.Picture2; }
    static QTextEdit *box(Form1 &f, int which)
    {
        return which == 1 ? f.RichTextBox1 : f.RichTextBox2;
    }

    static QList<FormTimer *> timers(Form1 &f)
    {
        return {f.Timer1, f.Timer2, f.Timer3, f.Timer4, f.Timer5,
                f.Timer6, f.Timer7, f.Timer8, f.Timer9, f.Timer10};
    }
    /// Stops every timer so that only what the caller does runs.
    static void stopTimers(Form1 &f)
    {
        for (FormTimer *t : timers(f))
            t->setEnabled(false);
    }
    static void tick(Form1 &f, int timer)
    {
        switch (timer) {
        case 1:
            f.Timer1_Timer();
            break;
        case 2:
            f.Timer2_Timer();
            break;
        case 3:
            f.Timer3_Timer();
            break;
        case 4:
            f.Timer4_Timer();
            break;
        case 5:
            f.Timer5_Timer();
            break;
        case 6:
            f.Timer6_Timer();
            break;
        case 7:
            f.Timer7_Timer();
            break;
        case 8:
            f.Timer8_Timer();
            break;
        case 9:
            f.Timer9_Timer();
            break;
        case 10:
            f.Timer10_Timer();
            break;
        }
    }

    static void formatReading(Form1 &f) { f.formatReading(); }
    static void showBoxes(Form1 &f, bool visible) { f.setRecordBoxesVisible(visible); }
    static legacy::ValueFormatter valueFormatter(Form1 &f) { return f.valueFormatter(); }
    static void finishPrintCommand(Form1 &f) { f.finishPrintCommand(); }
};
