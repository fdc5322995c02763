#pragma once

#include <QtGlobal>

/// How a simulated instrument behaves. The reading and record fields seed the instrument when
/// it is built; the line and behaviour fields are read as commands arrive and can be changed
/// on a running instrument through PtyInstrument::options().
struct SimOptions {
    int kind = 1;     ///< measurement kind of the reading (high nibble of the mode byte)
    int decimals = 2; ///< decimal places of the reading (low nibble)
    quint16 valueA = 1234;
    quint16 valueB = 1300;
    quint16 valueC = 1200;
    quint8 battery = 0;
    int recordCount = 5;                 ///< stored records, generated from `seed`
    quint64 seed = 1;                    ///< record contents, test variation and faults
    bool paced = true;                   ///< replies leave at 4800 baud, about 2.08 ms per byte
    bool pacedCommands = false;          ///< commands also arrive at 4800 baud: answered
                                         ///< only once their last byte is in
    int testTimeMs = 3000;               ///< a SingleTest's new reading appears after this time
    bool answerDoubledCommands = false;  ///< false: a command repeated at once is answered once
    int noiseBytes = 0;                  ///< garbage bytes sent before each reply
    int maxChunk = 0;                    ///< 0: whole replies; else pieces of 1..maxChunk bytes
    double dropProbability = 0.0;        ///< per byte sent
    double corruptProbability = 0.0;     ///< per byte sent
    double damageReplyProbability = 0.0; ///< per reply: exactly one of its bytes changed
    bool silent = false;                 ///< commands are heard and obeyed but never answered
    int unplugAfterMs = -1;              ///< unplug this long after open(); -1: never
};
