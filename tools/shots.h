#pragma once

// What both screenshot sessions share: waiting while the event loop runs, finding widgets and
// saving a window as a PNG file.

#include <QString>
#include <QWidget>

#include <functional>

namespace shots
{

/// Runs the event loop until `done` holds or `timeoutMs` passed; false on time-out.
bool waitFor(const std::function<bool()> &done, int timeoutMs = 15000);
/// Lets pending repaints and timers run for a moment.
void settle();
/// Prints `why` on stderr and returns false.
bool fail(const QString &why);
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
