#pragma once

// Reaches the legacy main form's record, chart, save and print parts for the tests, and
// fills the record store with checkable records.

#include "form1.h"
#include "formtimer.h"
#include "legacystate.h"
#include "mscomm.h"
#include "picturebox.h"

#include <QApplication>
#include <QPushButton>
#include <QTextEdit>

#include <memory>

struct Form1RecordsProbe {
    static void stopTimers(Form1 &f)
    {
        for (FormTimer *t : {f.Timer1, f.Timer2, f.Timer3, f.Timer4, f.Timer5, f.Timer6, f.Timer7,
                             f.Timer8, f.Timer9, f.Timer10})
            t->setEnabled(false);
    }
    static PictureBox *picture(Form1 &f) { return f.Picture2; }
    static QTextEdit *box(Form1 &f, int which)
    {
        return which == 1 ? f.RichTextBox1 : f.RichTextBox2;
    }
    static void showBoxes(Form1 &f, bool visible) { f.setRecordBoxesVisible(visible); }
    static void finishPrintCommand(Form1 &f) { f.finishPrintCommand(); }
};

template <typename T = QWidget> T *control(QWidget &form, const char *name)
{
    return form.findChild<T *>(QLatin1String(name));
}

/// No serial port behind any number: the forms under test open nothing.
inline void withoutPorts()
{
    MSComm::setPortResolver([](int) { return QString(); });
}

/// Record n as the download stores it: type `type`, the given raw counts.
inline void putRecord(legacy::LegacyState &state, int n, quint8 type, qint32 max, qint32 min,
                      qint32 avg)
{
    const auto i = std::size_t(n);
    state.recNo[i] = n;
    state.recType[i] = type;
    state.recMax[i] = max;
    state.recMin[i] = min;
    state.recAvg[i] = avg;
}

/// Records 1..count of type 0x12 with values derived from n, as a finished download leaves
/// them.
inline void downloadRecords(legacy::LegacyState &state, int count)
{
    for (int n = 1; n <= count; ++n)
        putRecord(state, n, 0x12, 1000 + n, 2000 + n, n);
    state.recTotal = count;
    state.form2zushu = qint16(count);
    state.pageCount = (count + 47) / 48;
}

/// Top-level Form1 windows that are shown (the print command loads a new one).
inline QList<Form1 *> shownMainForms()
{
    QList<Form1 *> forms;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *f = qobject_cast<Form1 *>(w); f && f->isVisible())
            forms << f;
    }
    return forms;
}
