#pragma once

// The records tests' helpers beside the shared main-form probe: controls by name, no ports,
// and a record store filled with checkable records.

#include "form1.h"
#include "form1probe.h"
#include "legacystate.h"
#include "mscomm.h"

#include <QApplication>
#include <QPushButton>

#include <memory>

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
