#pragma once

// A faulty line between a console and the simulated instrument, and a count of the replies it
// damaged, so that a test knows the faults happened.

#include "protocol.h"
#include "ptyinstrument.h"

#include <QByteArray>
#include <QObject>

#include <cstdint>

/// Damages one reply in ten and delivers replies in pieces of 1 to 4 bytes. A damaged reply
/// differs in one byte only, so its checksum always tells: a test can then demand that nothing
/// damaged is ever shown or stored.
inline void makeNoisy(PtyInstrument &instrument)
{
    instrument.options().damageReplyProbability = 0.1;
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
