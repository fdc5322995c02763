#pragma once

#include "legacystate.h"

#include <QByteArray>
#include <QString>

namespace legacy
{

inline const QString ReadCaption = QStringLiteral("读    取");
inline const QString PauseCaption = QStringLiteral("暂    停");
inline const QString ContinueCaption = QStringLiteral("继    续");

/// Records per record page.
constexpr int RecordsPerPage = 48;
/// Re-request ticks (100 ms) without any accepted frame after which a download counts the
/// line as dead: 3 s.
constexpr int DeadLineTicks = 30;
/// Entries of the live history that move on each push (0..300).
constexpr int HistoryKept = 300;

/// Which live resistance value the big display shows (the three option buttons).
enum class LiveChoice { Maximum, Minimum, Average };

/// What the form must do after one 11-byte read.
struct FrameOutcome {
    bool accepted = false;         ///< checksum correct: the instrument answers
    bool showReading = false;      ///< fmtType/fmtText hold a live value for the big display
    bool downloadComplete = false; ///< the read button goes back to "读    取"
    bool showPage = false;         ///< show record page `curPage`
    bool requestNext = false;      ///< `pendingCommand` holds the next record request
    bool beyondStore = false;      ///< the download ended with records the store cannot keep
};

/// The receive handler's work on the state: checks the frame, counts it, and takes it as a
/// live reading (not while downloading), a record count (always) or the awaited record.
FrameOutcome receiveFrame(LegacyState &state, const QByteArray &bytes, LiveChoice choice);

/// Pushes one entry into the live history, newest at index 0.
void pushHistory(LegacyState &state, qint32 avg, qint32 max, qint32 min, quint8 decimals);

enum class ReadMessage { None, NotConnected, NoRecords };

/// What the form must do after a click on the read button.
struct ReadClick {
    QString caption;                         ///< the read button's caption afterwards
    ReadMessage message = ReadMessage::None; ///< shown before the caption changes
    bool showBoxes = false;                  ///< the record pages cover the chart
    bool blankBoxes = false;                 ///< both record boxes get three blanks
    bool send = false;                       ///< `pendingCommand` holds the first request
};

/// Download control: start from record 1, pause, or continue from `resumeRec`, depending on
/// the read button's `caption`.
ReadClick clickRead(LegacyState &state, const QString &caption);

struct RerequestStep {
    bool send = false;     ///< `pendingCommand` holds the awaited record again
    bool reopen = false;   ///< after the send: reopen the port
    bool deadLine = false; ///< the download is paused: nothing came for 3 s
};

/// The 100 ms re-request tick: repeats an unanswered record request, reopens the port every
/// seventh repetition, pauses the download when no frame at all came for 3 s, and snapshots
/// the frame counter.
RerequestStep rerequestTick(LegacyState &state);

struct ProgressView {
    bool visible = false;
    int value = 0;
};

/// The 200 ms progress tick.
ProgressView progressTick(LegacyState &state);

/// Live-reading request: true (and `pendingCommand` set) when connected, idle and the
/// mailbox is empty.
bool takeReadingRequest(LegacyState &state);

/// Record-count request: true (and `pendingCommand` set) when connected and the mailbox is
/// empty, also during downloads.
bool takeCountRequest(LegacyState &state);

} // namespace legacy
