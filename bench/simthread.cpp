#include "simthread.h"

#include "ptyinstrument.h"

#include <QMetaObject>

SimThread::SimThread(const SimOptions &simOptions)
    : anchor(std::make_unique<QObject>()), options(simOptions)
{
    anchor->moveToThread(&thread);
    thread.start();
}

SimThread::~SimThread()
{
    QMetaObject::invokeMethod(
        anchor.get(), [this] { delete instrument; }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
}

bool SimThread::open()
{
    bool opened = false;
    QMetaObject::invokeMethod(
        anchor.get(),
        [this, &opened] {
            instrument = new PtyInstrument(options);
            opened = instrument->open();
            error = instrument->errorString();
            path = instrument->slavePath();
        },
        Qt::BlockingQueuedConnection);
    return opened;
}
