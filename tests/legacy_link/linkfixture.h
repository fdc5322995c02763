#pragma once

// Shared helpers of the legacy link tests: frames as bytes and a fresh module state.

#include "legacystate.h"
#include "protocol.h"

#include <QByteArray>

#include <memory>

inline QByteArray bytesOf(const protocol::InstrumentFrame &frame)
{
    return QByteArray(reinterpret_cast<const char *>(frame.data()), int(frame.size()));
}

inline QByteArray frameBytes(quint8 mode, quint16 a, quint16 b, quint16 c, quint16 marker)
{
    return bytesOf(protocol::buildFrame(mode, 0, a, b, c, marker));
}

inline QByteArray readingFrame(quint8 mode, quint16 a, quint16 b, quint16 c)
{
    return frameBytes(mode, a, b, c, protocol::ReadingMarker);
}

inline QByteArray countFrame(quint16 count)
{
    return frameBytes(0, count, 0, 0, protocol::CountMarker);
}

/// Record n of a made-up instrument: values derived from n so that each slot is checkable.
inline QByteArray recordFrame(quint16 n)
{
    return frameBytes(0x12, quint16(1000 + n), quint16(2000 + n), quint16(n), n);
}

/// The state as the start-up sequence leaves it, with the link up.
inline std::unique_ptr<legacy::LegacyState> connectedState()
{
    auto state = std::make_unique<legacy::LegacyState>();
    legacy::resetOnLoad(*state);
    state->linkUp = 1;
    state->portState = 100;
    return state;
}
