#pragma once

// Reaches the legacy main form's controls, timers and handlers for the tests.

#include "form1.h"
#include "formtimer.h"
#include "mscomm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

struct Form1Probe {
    static legacy::LegacyState &state(Form1 &f) { return f.state; }
    static MSComm *comm(Form1 &f) { return f.MSComm1; }
    static int label20Left(Form1 &f) { return f.label20Left; }

    static QList<FormTimer *> timers(Form1 &f)
    {
        return {f.Timer1, f.Timer2, f.Timer3, f.Timer4, f.Timer5,
                f.Timer6, f.Timer7, f.Timer8, f.Timer9, f.Timer10};
    }
    /// Stops every timer so that a test drives the ticks itself.
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
};

/// Closes every modal message box once it shows and keeps what it said.
class MessageCatcher : public QObject
{
public:
    MessageCatcher()
    {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            title = box->windowTitle();
            text = box->text();
            texts.append(text);
            buttons.clear();
            for (QAbstractButton *b : box->buttons())
                buttons.append(b->text());
            box->reject();
        });
        poll->start(10);
    }
    /// Title, text and buttons of the last box.
    QString title;
    QString text;
    QStringList buttons;
    /// The text of every box, in order.
    QStringList texts;
};
