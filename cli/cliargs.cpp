#include "cliargs.h"

#include "historyfile.h"
#include "historystore.h"
#include "outputfile.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>

namespace
{

const char *const ExitStatus = "Exit status:\n"
                               "  0  done\n"
                               "  1  bad usage (a message and the usage on stderr)\n"
                               "  2  no instrument found, or the port cannot be opened\n"
                               "  3  the link was lost or the instrument stopped answering\n"
                               "  4  a file or database error\n"
                               "  5  --verdict: a record failed the limit (all was written)\n"
                               "130  interrupted by SIGINT or SIGTERM before the work was done\n";

const char *const Description =
    "The earth resistance tester from scripts and terminals: lists serial ports, reads and "
    "streams measurements, downloads the stored records into the console's history database, "
    "a CSV report or JSON, sends the instrument's commands and writes PDF test reports. "
    "Without --port the instrument "
    "is looked for on every serial port, the paths in TELVORO_EXTRA_PORTS first.";

// main() hands over the arguments as UTF-8 on every system (ProgramArguments).
QString fromArgument(const std::string &text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

LineFormat lineFormat(const std::string &name)
{
    if (name == "json")
        return LineFormat::Json;
    return name == "csv" ? LineFormat::Csv : LineFormat::Text;
}

// A number from `low` to `high`, and finite: NaN passes CLI11's Range.
CLI::Validator numberFrom(double low, double high, const std::string &refusal)
{
    return CLI::Validator(
        [=](std::string &text) {
            char *end = nullptr;
            const double value = std::strtod(text.c_str(), &end);
            const bool whole = !text.empty() && end == text.c_str() + text.size();
            return whole && std::isfinite(value) && value >= low && value <= high ? std::string()
                                                                                  : refusal + text;
        },
        std::string());
}

CLI::Validator ohmsLimit()
{
    return numberFrom(0, std::numeric_limits<double>::max(), "not a number of ohms (0 or more): ");
}

// A name the user gave: an empty one names nothing, and would otherwise mean the default.
CLI::Validator aName(const std::string &what)
{
    return CLI::Validator(
        [what](std::string &text) {
            return text.empty() ? "a " + what + " name cannot be empty" : std::string();
        },
        std::string());
}

// What download, export, report and clear say about a database in use, and download about
// what it keeps, before the exit codes.
const std::string BusyNote = "A history database another program is using is waited for up to " +
                             std::to_string(BusyWaitSeconds) + " s.\n\n";
const std::string DownloadNotes =
    "The end line says how many records were stored and how many were skipped (they hold no "
    "measurement; the console skips them too).\n"
    "What an interrupted download received, or a whole download a target could not take, is "
    "kept beside the first target in <target>.download (a history database): download "
    "--resume with the same targets goes on from it.\n";

// Every command's help ends with the exit codes.
CLI::App *command(CLI::App &app, const std::string &name, const std::string &description)
{
    CLI::App *sub = app.add_subcommand(name, description);
    sub->footer(ExitStatus);
    return sub;
}

} // namespace

ParsedArguments parseArguments(int argc, const char *const *argv)
{
    CLI::App app(Description, "telvoro-cli");
    app.set_version_flag("--version",
                         "telvoro-cli " TELVORO_VERSION "\n"
                         "Copyright (C) The Telvoro authors.\n"
                         "License GPL-3.0-or-later: GNU GPL version 3 or later "
                         "<https://gnu.org/licenses/gpl.html>.\n"
                         "This is free software: you are free to change and redistribute it.\n"
                         "There is NO WARRANTY, to the extent permitted by law.");
    app.footer(ExitStatus);
    app.require_subcommand(1);
    // Global options may also follow the command.
    app.fallthrough();
    app.failure_message([](const CLI::App *failed, const CLI::Error &e) {
        return "telvoro-cli: " + std::string(e.what()) + "\n\n" + failed->help();
    });

    std::string port;
    app.add_option("--port", port,
                   "serial port of the instrument (no search); a relative path is taken from "
                   "the working directory")
        ->check(aName("port"))
        ->type_name("PATH");
    bool quiet = false;
    app.add_flag("-q,--quiet", quiet,
                 "say nothing on stderr unless something goes wrong: no \"instrument found "
                 "on\", no final summary line");

    std::string format = "text";
    const auto addFormat = [](CLI::App *sub, std::string &chosen, std::vector<std::string> names) {
        sub->add_option("--format", chosen, "output format")
            ->check(CLI::IsMember(std::move(names)))
            ->capture_default_str();
    };

    bool noHeader = false;
    const auto addReadingFormat = [&](CLI::App *sub) {
        addFormat(sub, format, {"text", "json", "csv"});
        sub->add_flag("--no-header", noHeader, "CSV without its header line (to append to a log)");
    };

    bool probe = false;
    CLI::App *ports =
        command(app, "ports", "list the serial ports to try, TELVORO_EXTRA_PORTS first");
    ports->add_flag("--probe", probe, "probe them in turn; mark the one that answers");
    addFormat(ports, format, {"text", "json"});

    CLI::App *read = command(app, "read", "print one reading, then exit");
    addReadingFormat(read);

    double interval = 1.0;
    int count = 0;
    bool reconnect = false;
    CLI::App *watch =
        command(app, "watch", "print a reading every interval until stopped (Ctrl+C, SIGTERM)");
    watch->add_option("--interval", interval, "seconds between readings, at least 0.5")
        ->check(numberFrom(0.5, 86400, "not a number of seconds from 0.5 to 86400: "))
        ->type_name("S")
        ->capture_default_str();
    watch
        ->add_option("--count", count,
                     "stop after N readings (a reading without a measurement counts)")
        ->check(CLI::Range(1, std::numeric_limits<int>::max()))
        ->type_name("N");
    addReadingFormat(watch);
    watch->add_flag("--reconnect", reconnect,
                    "when there is no instrument at the start or the link is lost, look for it "
                    "every 2 s and go on");

    std::string db;
    std::string csv;
    std::string json;
    bool resume = false;
    CLI::App *download = command(
        app, "download",
        std::string("download the instrument's records; the database (") + HistoryStore::FileName +
            " when no file is named) is replaced only by a complete download");
    download->footer(DownloadNotes + BusyNote + ExitStatus);
    download->add_option("--db", db, "history database to replace the records of")
        ->check(aName("file"))
        ->type_name("FILE");
    download->add_option("--csv", csv, "CSV report, as the console exports it")
        ->check(aName("file"))
        ->type_name("FILE");
    download->add_option("--json", json, "the records as JSON")
        ->check(aName("file"))
        ->type_name("FILE");
    download->add_flag("--resume", resume,
                       "go on from the download kept beside the targets (only the records "
                       "still missing are asked for), then write the targets as one whole "
                       "download; a kept whole download is written with no instrument needed");

    std::string output = "-";
    double limit = -1;
    std::string verdict;
    const auto addVerdict = [&](CLI::App *sub) {
        return sub
            ->add_option("--verdict", verdict,
                         "judge the records against --limit: write the verdict as one JSON line "
                         "to FILE (- for stdout); exit status 5 when a record fails")
            ->check(aName("file"))
            ->type_name("FILE");
    };
    CLI::App *exportCommand =
        command(app, "export", "write a history database's records (no instrument needed)");
    exportCommand->footer(BusyNote + ExitStatus);
    exportCommand->add_option("--db", db, "history database")
        ->required()
        ->check(aName("file"))
        ->type_name("FILE");
    std::string exportFormat = "csv";
    addFormat(exportCommand, exportFormat, {"csv", "json"});
    exportCommand->add_option("-o,--output", output, "file to write (default -: standard output)")
        ->check(aName("file"))
        ->type_name("FILE");
    CLI::Option *exportLimit =
        exportCommand
            ->add_option("--limit", limit,
                         "resistance limit in ohms for --verdict: a record fails at or above "
                         "it, or over range")
            ->check(ohmsLimit())
            ->type_name("OHMS");
    exportLimit->needs(addVerdict(exportCommand));

    bool wait = false;
    CLI::App *test = command(app, "test", "start a single test on the instrument");
    test->add_flag("--wait", wait, "wait until the test is done and print its reading");
    addReadingFormat(test);
    command(app, "calibrate", "start the test-lead resistance check");
    std::string state;
    const std::vector<std::string> onOff = {"on", "off"};
    command(app, "backlight", "switch the backlight on or off")
        ->add_option("state", state, "on or off")
        ->required()
        ->check(CLI::IsMember(onOff));
    command(app, "buzzer", "switch the buzzer on or off")
        ->add_option("state", state, "on or off")
        ->required()
        ->check(CLI::IsMember(onOff));

    bool yes = false;
    CLI::App *clear =
        command(app, "clear", "erase the records on the instrument (and in a database)");
    clear->footer(BusyNote + ExitStatus);
    clear->add_flag("--yes", yes, "confirm: the records cannot be brought back");
    clear->add_option("--db", db, "also empty this history database")
        ->check(aName("file"))
        ->type_name("FILE");

    std::string title = "接地电阻测试报告";
    std::string site;
    std::string testedBy;
    std::string paper = "a4";
    CLI::App *report = command(app, "report",
                               "write a PDF test report of a history database (no instrument "
                               "needed)");
    report->footer(BusyNote + ExitStatus);
    report->add_option("--db", db, "history database")
        ->required()
        ->check(aName("file"))
        ->type_name("FILE");
    report->add_option("-o,--output", output, "PDF file to write (- for standard output)")
        ->required()
        ->check(aName("file"))
        ->type_name("FILE");
    report
        ->add_option("--title", title,
                     "title on the first page; this, --site and --operator wrap when long and keep "
                     "their line breaks")
        ->capture_default_str();
    report->add_option("--site", site, "where the earth was tested");
    report->add_option("--operator", testedBy, "who tested");
    CLI::Option *reportLimit =
        report
            ->add_option("--limit", limit,
                         "resistance limit in ohms: a record fails at or above it, or over range")
            ->check(ohmsLimit())
            ->type_name("OHMS");
    addVerdict(report)->needs(reportLimit);
    report->add_option("--paper", paper, "paper size")
        ->check(CLI::IsMember({"a4", "letter"}))
        ->capture_default_str();

    ParsedArguments parsed;
    std::ostringstream out;
    std::ostringstream err;
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        // A word that names no command, or an option no one knows, is what CLI11 finds last
        // (it first misses the command); say that first.
        const std::vector<std::string> rest = app.remaining();
        if (app.get_subcommands().empty() && !rest.empty() && e.get_exit_code() != 0) {
            const bool option = rest.front().rfind('-', 0) == 0;
            parsed.exit = ExitCode::Usage;
            parsed.err = std::string("telvoro-cli: unknown ") + (option ? "option" : "command") +
                         " \"" + rest.front() + "\"\n\n" + app.help();
            return parsed;
        }
        parsed.exit = app.exit(e, out, err) == 0 ? ExitCode::Done : ExitCode::Usage;
        parsed.out = out.str();
        parsed.err = err.str();
        return parsed;
    }

    CliRequest &r = parsed.request;
    const CLI::App *chosen = app.get_subcommands().front();
    const std::string name = chosen->get_name();
    if (verdict == "-" && output == "-") {
        parsed.exit = ExitCode::Usage;
        parsed.err = "telvoro-cli: --verdict - and the " + name +
                     " both go to standard output; name a file for one of them\n\n" +
                     chosen->help("telvoro-cli");
        return parsed;
    }
    if (name == "clear" && !yes) {
        parsed.exit = ExitCode::Usage;
        parsed.err = "telvoro-cli: clear erases every record on the instrument and cannot be "
                     "undone; add --yes to go ahead\n\n" +
                     clear->help("telvoro-cli");
        return parsed;
    }

    if (name == "download" && !csv.empty() && !json.empty() &&
        OutputFile::sameFile(fromArgument(csv), fromArgument(json))) {
        parsed.exit = ExitCode::Usage;
        parsed.err = "telvoro-cli: --csv and --json name the same file, and one would overwrite "
                     "the other\n\n" +
                     download->help("telvoro-cli");
        return parsed;
    }

    static const std::vector<std::pair<std::string, CliRequest::Command>> commands = {
        {"ports", CliRequest::Command::Ports},
        {"read", CliRequest::Command::Read},
        {"watch", CliRequest::Command::Watch},
        {"download", CliRequest::Command::Download},
        {"export", CliRequest::Command::Export},
        {"test", CliRequest::Command::Test},
        {"calibrate", CliRequest::Command::Calibrate},
        {"backlight", CliRequest::Command::Backlight},
        {"buzzer", CliRequest::Command::Buzzer},
        {"clear", CliRequest::Command::Clear},
        {"report", CliRequest::Command::Report},
    };
    for (const auto &[commandName, value] : commands) {
        if (commandName == name)
            r.command = value;
    }
    r.port = fromArgument(port);
    r.quiet = quiet;
    r.probe = probe;
    r.noHeader = noHeader;
    r.wait = wait;
    r.format = lineFormat(name == "export" ? exportFormat : format);
    r.intervalS = interval;
    r.count = count;
    r.reconnect = reconnect;
    r.db = fromArgument(db);
    r.csv = fromArgument(csv);
    r.json = fromArgument(json);
    r.resume = resume;
    r.output = output == "-" ? QString() : fromArgument(output);
    r.on = state == "on";
    r.title = fromArgument(title);
    r.site = fromArgument(site);
    r.testedBy = fromArgument(testedBy);
    if (limit >= 0)
        r.limitOhms = limit;
    r.letter = paper == "letter";
    r.verdict = fromArgument(verdict);
    parsed.run = true;
    return parsed;
}
