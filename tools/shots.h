#pragma once

// What both screenshot sessions share: waiting while the event loop runs, finding widgets and
// saving a window as a PNG file.

#include "ptyinstrument.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

namespace shots
{

/// Runs the event loop until `done` holds or `timeoutMs` passed; false on time-out.
bool waitFor(const std::function<bool()> &done, int timeoutMs = 15000);
/// Lets pending repaints and timers run for a moment.
void settle();
/// Prints `why` on stderr and returns false.
bool fail(const QString &why);
/// A simulated instrument holding `recordCount` records made from `seed`. It answers at once
/// and answers both copies of a command sent twice, so each of the tool's quick polls is a
/// poll of its own. Null after saying why it could not open.
std::unique_ptr<PtyInstrument> openInstrument(int recordCount, quint64 seed);
/// Grabs `window` into `folder/name` and prints the path; false if it cannot be written.
bool save(QWidget *window, const QString &folder, const QString &name);

template <typename T> T *findWidget(QWidget *root, const std::function<bool(T *)> &match)
{
    const QList<T *> all = root->findChildren<T *>();
    for (T *widget : all) {
        if (match(widget))
            return widget;
    }
    return nullptr;
}

} // namespace shots
