#pragma once

/// What telvoro-cli's exit status means. Scripts test these numbers; they never change.
enum class ExitCode : int {
    Done = 0,
    Usage = 1,        ///< bad usage: a message and the usage on stderr
    NoInstrument = 2, ///< no instrument found, or the port cannot be opened
    LinkLost = 3,     ///< the link was lost or the instrument stopped answering
    FileError = 4,    ///< a file or database could not be read or written
    RecordFailed = 5, ///< --verdict: a record failed the limit; every output was written
    /// SIGINT or SIGTERM before the work was done (watch, once it watches, ends with 0). One
    /// status for both signals; 130 is what a shell reports for a Ctrl+C.
    Interrupted = 130,
};
