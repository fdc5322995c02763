#pragma once

// Benchmarks of telvoro-cli, run as its own process against the simulator.
namespace bench
{

/// 1000 records downloaded into a database on disk, against the 4800-baud line's limit.
void cliDownload();
/// CPU time the watch command spends per reading.
void cliWatch();

} // namespace bench
