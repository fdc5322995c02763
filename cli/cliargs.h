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
    QString port; ///< --port; empty: find the instrument
    bool probe = false;
    LineFormat format = LineFormat::Text; ///< read and watch; export: Csv or Json
    double intervalS = 1.0;
    int count = 0; ///< watch: readings to print, 0 until stopped
    bool reconnect = false;
    QString db; ///< download, export, clear; empty: none given
    QString csv;
    QString json;
    bool resume = false; ///< download: go on from the download kept beside the targets
    QString output;      ///< export and report -o; export: empty for standard output
    bool on = false;     ///< backlight and buzzer
    // report
    QString title;
    QString site;
    QString testedBy;
    std::optional<double> limitOhms;
    bool letter = false; ///< US letter paper instead of A4
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
