#pragma once

// A faulty line between a console and the simulated instrument, and a count of the replies it
// damaged, so that a test knows the faults happened.

#include "protocol.h"
#include "ptyinstrument.h"

#include <QByteArray>
#include <QObject>

#include <cstdint>

/// Corrupts one byte in a hundred and delivers replies in pieces of 1 to 4 bytes.
inline void makeNoisy(PtyInstrument &instrument)
{
    instrument.options().corruptProbability = 0.01;
    instrument.options().maxChunk = 4;
}

/// Counts the instrument's replies that left it damaged.
class DamageCounter : public QObject
{
public:
    explicit DamageCounter(PtyInstrument &instrument)
    {
        connect(&instrument, &PtyInstrument::bytesSent, this, [this](const QByteArray &bytes) {
            pending += bytes;
            while (pending.size() >= qsizetype(protocol::FrameSize)) {
                damaged += !protocol::checkFrame(
                    reinterpret_cast<const std::uint8_t *>(pending.constData()));
                pending.remove(0, qsizetype(protocol::FrameSize));
            }
        });
    }
    int damaged = 0;

private:
    QByteArray pending;
};
