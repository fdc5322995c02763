#pragma once

#include "simoptions.h"

#include <QString>
#include <QThread>

#include <memory>

class PtyInstrument;
class QObject;

/// An instrument holding `records` that keeps to the 4800-baud line both ways, as downloads are
/// measured against it.
inline SimOptions pacedInstrument(int records)
{
    SimOptions options;
    options.paced = true;
    options.pacedCommands = true;
    options.recordCount = records;
    return options;
}

/// The simulated instrument in a thread of its own, as a real one runs beside the console:
/// its line timing does not wait for the console's work, nor the console for its.
class SimThread
{
public:
    explicit SimThread(const SimOptions &options);
    ~SimThread();
    SimThread(const SimThread &) = delete;
    SimThread &operator=(const SimThread &) = delete;

    /// Opens the pseudo-terminal; false with errorString() where there is none.
    bool open();
    QString errorString() const { return error; }
    QString slavePath() const { return path; }

private:
    QThread thread;
    std::unique_ptr<QObject> anchor; ///< lives in `thread`; runs the calls made there
    PtyInstrument *instrument = nullptr;
    SimOptions options;
    QString error;
    QString path;
};
