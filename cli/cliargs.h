#pragma once

// telvoro-cli's command line: its commands and options, parsed with CLI11.

#include "exitcode.h"
#include "readingline.h"

#include <QString>

#include <optional>
#include <string>

/// What the command line asks for.
struct CliRequest {
    enum class Command {
        Ports,
        Read,
        Watch,
        Download,
        Export,
        Test,
        Calibrate,
        Backlight,
        Buzzer,
        Clear,
        Report
    };

    Command command = Command::Ports;
    QString port;       ///< --port; empty: find the instrument
    bool quiet = false; ///< -q: no note of the port found, no final summary line
    bool probe = false;
    LineFormat format = LineFormat::Text; ///< read, watch, test --wait, ports; export: Csv or Json
    bool noHeader = false;                ///< CSV readings without their header line
    bool wait = false;                    ///< test: print the reading the test gives
    double intervalS = 1.0;
    int count = 0; ///< watch: readings to print, 0 until stopped
    bool reconnect = false;
    QString db; ///< download, export, clear; empty: none given
    QString csv;
    QString json;
    bool resume = false; ///< download: go on from the download kept beside the targets
    QString output;      ///< export and report -o; empty: standard output (-o -)
    bool on = false;     ///< backlight and buzzer
    // report
    QString title;
    QString site;
    QString testedBy;
    std::optional<double> limitOhms; ///< report, and export with --verdict
    bool letter = false;             ///< US letter paper instead of A4
    QString verdict; ///< report and export: where the verdict's JSON goes; "-": standard output
};

/// The outcome of parsing: either a request to run, or an exit status with what to print.
struct ParsedArguments {
    bool run = false;
    CliRequest request;
    ExitCode exit = ExitCode::Done;
    std::string out; ///< --help and --version
    std::string err; ///< a usage error and the usage
};

ParsedArguments parseArguments(int argc, const char *const *argv);
