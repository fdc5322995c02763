#include "legacystate.h"

namespace legacy
{

void clearRecordSlots(LegacyState &state)
{
    state.recType.fill(0);
    state.recNo.fill(0);
    state.recMax.fill(0);
    state.recMin.fill(0);
    state.recAvg.fill(0);
}

void resetOnLoad(LegacyState &state)
{
    state.marqueeDir = 1;
    state.progressPct = 100;
    // Cancelling a print must not cost the operator the downloaded records.
    if (state.biaozi != PrintConfirmed && !state.reloadByPrinting)
        clearRecordSlots(state);
    state.reloadByPrinting = false;
    state.nextRec = 1;
    state.resumeRec = 1;
    state.downloading = 0;
    state.meterRecCount = 0;
    state.portNo = 6;
    state.curPage = 1;
    state.pageCount = 0;
    state.pendingCommand = NoCommand;
}

} // namespace legacy
