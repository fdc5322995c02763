#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

namespace legacy
{

/// "Nothing pending" in the one-slot command mailbox; outside the 16-bit code range.
constexpr qint32 NoCommand = 70000;
/// Entries of the chart's point buffer; the curve uses the first 150.
constexpr int PlotBufSize = 621;
/// Highest record number the record table holds.
constexpr int MaxRecords = 10000;
/// The record count an instrument reports when it has none to tell: no records.
constexpr qint32 NoCountReported = 65535;
/// Last index of the live-reading history arrays.
constexpr int HistorySize = 1000;

/// The legacy console's module state. It outlives every `Form1`: printing unloads and reloads
/// the form, and the start-up sequence decides what each reload resets. Everything starts at
/// 0 or empty when the program starts. Names follow the console's own vocabulary.
struct LegacyState {
    // Link: port search, supervision and the command mailbox.
    qint32 pendingCommand = 0;
    qint16 portNo = 0;
    qint16 portState = 0;
    quint8 linkUp = 0;
    quint8 frameSeen = 0;
    quint8 missTicks = 0;
    qint32 frameCounter = 0;
    qint32 frameCounterSeen = 0;

    // Record download.
    quint8 downloading = 0;
    qint32 meterRecCount = 0;
    qint32 recTotal = 0;
    qint32 nextRec = 0;
    qint32 resumeRec = 0;
    qint32 lastPolledRec = 0;
    qint32 resendCount = 0;
    /// Re-request ticks of the running download since the last accepted frame.
    qint32 silentTicks = 0;
    quint8 progressPct = 0;
    qint16 form2zushu = 0;

    // Record table, indexed by record number (index 0 unused by the download).
    std::array<qint32, MaxRecords + 1> recAvg{};
    std::array<qint32, MaxRecords + 1> recMax{};
    std::array<qint32, MaxRecords + 1> recMin{};
    std::array<qint32, MaxRecords + 1> recNo{};
    std::array<quint8, MaxRecords + 1> recType{};
    qint16 curPage = 0;
    qint32 pageCount = 0;

    // Live-reading history for the chart, index 0 newest.
    std::array<qint32, HistorySize + 1> histAvg{};
    std::array<qint32, HistorySize + 1> histMax{};
    std::array<qint32, HistorySize + 1> histMin{};
    std::array<quint8, HistorySize + 1> histDec{};

    // Last live values.
    QString avgText, maxText, minText, voltText, curText;
    qint32 lastAvg = 0;
    qint32 lastMax = 0;
    qint32 lastMin = 0;

    // Formatter fields shared with the record pages, saving and printing.
    quint8 fmtType = 0;
    QString fmtText;
    quint8 overLimit = 0;

    quint8 marqueeDir = 0;

    // Trend chart: full scale (0 acts as 10), where the last drag started (twips), the points
    // of the curve being drawn (oldest first).
    qint32 chartScale = 0;
    qint32 pressY = 0;
    std::array<double, PlotBufSize> plotBuf{};

    /// Status of the print-options window: 100 open, 10 print confirmed, 30 cancelled.
    qint16 biaozi = 0;
    /// First and last record number of a confirmed print.
    qint16 kai = 0;
    qint16 jie = 0;
    /// Set by the print-options window when it hands back to the main form: that reload
    /// keeps the downloaded records whether the print was confirmed or cancelled.
    bool reloadByPrinting = false;
};

/// Print-options status while the window is open (and the print command idle).
constexpr qint16 OptionsOpen = 100;
/// Print-options status that keeps the downloaded records over a reload of `Form1`.
constexpr qint16 PrintConfirmed = 10;
/// Print-options status of a cancelled print.
constexpr qint16 PrintCancelled = 30;
/// Empties the whole record store: every slot of the number, value and type tables, so a later
/// smaller download shows and saves nothing of an earlier one.
void clearRecordSlots(LegacyState &state);

/// The state part of the start-up sequence that runs on every load of `Form1`, after the
/// first port step: records cleared unless a print was just confirmed or the print-options
/// window caused this reload, download idle, the next search step after COM7, empty mailbox.
void resetOnLoad(LegacyState &state);

} // namespace legacy
