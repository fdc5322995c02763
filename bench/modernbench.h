#pragma once

// Benchmarks of the modern console. Each prints its lines and leaves no window, database
// connection or working directory behind.
namespace bench
{

/// Record download against the simulator at 4800 baud, database on disk.
void modernDownload();
/// 600 000 live readings through the receive path, window shown and repainting.
void readingsLongRun();
/// One week of an automatic test's log lines, window shown and repainting.
void logLongRun();
/// Time to the first painted window with 100 000 stored records against none.
void startup();
/// The child that startup() launches: builds the window, says "painted" after its first paint.
void startupWindow();
/// Page changes at the start and at the end of 100 000 records.
void paging();
/// CSV report of 100 000 records against the sqlite3 program exporting the same table.
void csvExport();

} // namespace bench
