#pragma once

// Benchmarks of the legacy console.
namespace bench
{

/// Record download against the simulator answering both copies of each doubled command.
void legacyDownload();
/// Building one record page of a full record table.
void legacyPage();
/// Saving 10 000 records as the record text file.
void legacySave();

} // namespace bench
