#include "legacystate.h"

#include <algorithm>
#include <type_traits>

namespace legacy
{

void clearRecordSlots(LegacyState &state, bool withType)
{
    const auto clear = [](auto &table) {
        using Entry = typename std::decay_t<decltype(table)>::value_type;
        std::fill(table.begin(), table.begin() + RecordsClearedTo + 1, Entry{});
    };
    if (withType)
        clear(state.recType);
    clear(state.recNo);
    clear(state.recMax);
    clear(state.recMin);
    clear(state.recAvg);
}

void resetOnLoad(LegacyState &state)
{
    state.marqueeDir = 1;
    state.progressPct = 100;
    // Cancelling a print must not cost the operator the downloaded records.
    if (state.biaozi != PrintConfirmed && !state.reloadByPrinting)
        clearRecordSlots(state, true);
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
