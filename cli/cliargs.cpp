#include "cliargs.h"

#include "historyconnection.h"
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
                               "  4  a file or database error\n";

const char *const Description =
    "The earth resistance tester from scripts and terminals: lists serial ports, reads and "
    "streams measurements, downloads the stored records into the console's history database, "
    "a CSV report or JSON, sends the instrument's commands and writes PDF test reports. "
    "Without --port the instrument "
    "is looked for on every serial port, the paths in TELVORO_EXTRA_PORTS first.";

QString fromArgument(const std::string &text)
{
    return QString::fromLocal8Bit(text.data(), qsizetype(text.size()));
}

LineFormat lineFormat(const std::string &name)
{
    if (name == "json")
        return LineFormat::Json;
    return name == "csv" ? LineFormat::Csv : LineFormat::Text;
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

// A file option given with an empty name names no file: refused, not taken as left out.
const CLI::Validator FileName(
    [](std::string &name) {
        return name.empty() ? std::string("a file name cannot be empty") : std::string();
    },
    std::string());

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
    app.set_version_flag("--version", "telvoro-cli " TELVORO_VERSION);
    app.footer(ExitStatus);
    app.require_subcommand(1);
    // Global options may also follow the command.
    app.fallthrough();
    app.failure_message([](const CLI::App *failed, const CLI::Error &e) {
        return "telvoro-cli: " + std::string(e.what()) + "\n\n" + failed->help();
    });

    std::string port;
    app.add_option("--port", port, "serial port of the instrument (no search)")->type_name("PATH");

    std::string format = "text";
    const auto addFormat = [](CLI::App *sub, std::string &chosen, std::vector<std::string> names) {
        sub->add_option("--format", chosen, "output format")
            ->check(CLI::IsMember(std::move(names)))
            ->capture_default_str();
    };

    bool probe = false;
    command(app, "ports", "list the serial ports to try, TELVORO_EXTRA_PORTS first")
        ->add_flag("--probe", probe, "probe them in turn; mark the one that answers");

    CLI::App *read = command(app, "read", "print one reading, then exit");
    addFormat(read, format, {"text", "json", "csv"});

    double interval = 1.0;
    int count = 0;
    bool reconnect = false;
    CLI::App *watch =
        command(app, "watch", "print a reading every interval until stopped (Ctrl+C, SIGTERM)");
    watch->add_option("--interval", interval, "seconds between readings, at least 0.5")
        ->check(CLI::Range(0.5, 86400.0))
        ->type_name("S")
        ->capture_default_str();
    watch->add_option("--count", count, "stop after N readings")
        ->check(CLI::Range(1, std::numeric_limits<int>::max()))
        ->type_name("N");
    addFormat(watch, format, {"text", "json", "csv"});
    watch->add_flag("--reconnect", reconnect,
                    "after a lost link, look for the instrument every 2 s and go on");

    std::string db;
    std::string csv;
    std::string json;
    bool resume = false;
    CLI::App *download =
        command(app, "download",
                "download the instrument's records; the database (TestHistory.db when no "
                "file is named) is replaced only by a complete download");
    download->footer(DownloadNotes + BusyNote + ExitStatus);
    download->add_option("--db", db, "history database to replace the records of")
        ->check(FileName)
        ->type_name("FILE");
    download->add_option("--csv", csv, "CSV report, as the console exports it")
        ->check(FileName)
        ->type_name("FILE");
    download->add_option("--json", json, "the records as JSON")->check(FileName)->type_name("FILE");
    download->add_flag("--resume", resume,
                       "go on from the download kept beside the targets (only the records "
                       "still missing are asked for), then write the targets as one whole "
                       "download; a kept whole download is written with no instrument needed");

    std::string output;
    CLI::App *exportCommand =
        command(app, "export", "write a history database's records (no instrument needed)");
    exportCommand->footer(BusyNote + ExitStatus);
    exportCommand->add_option("--db", db, "history database")
        ->required()
        ->check(FileName)
        ->type_name("FILE");
    std::string exportFormat = "csv";
    addFormat(exportCommand, exportFormat, {"csv", "json"});
    exportCommand->add_option("-o,--output", output, "file to write (default: standard output)")
        ->type_name("FILE");

    command(app, "test", "start a single test on the instrument");
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
        ->check(FileName)
        ->type_name("FILE");

    std::string title = "接地电阻测试报告";
    std::string site;
    std::string testedBy;
    double limit = -1;
    std::string paper = "a4";
    CLI::App *report = command(app, "report",
                               "write a PDF test report of a history database (no instrument "
                               "needed)");
    report->footer(BusyNote + ExitStatus);
    report->add_option("--db", db, "history database")
        ->required()
        ->check(FileName)
        ->type_name("FILE");
    report->add_option("-o,--output", output, "PDF file to write")->required()->type_name("FILE");
    report->add_option("--title", title, "title on the first page")->capture_default_str();
    report->add_option("--site", site, "where the earth was tested");
    report->add_option("--operator", testedBy, "who tested");
    report
        ->add_option("--limit", limit,
                     "resistance limit in ohms: a record fails at or above it, or over range")
        ->check(CLI::Validator(
            [](std::string &text) {
                char *end = nullptr;
                const double value = std::strtod(text.c_str(), &end);
                const bool whole = !text.empty() && end == text.c_str() + text.size();
                return whole && std::isfinite(value) && value >= 0
                           ? std::string()
                           : "not a number of ohms (0 or more): " + text;
            },
            std::string()))
        ->type_name("OHMS");
    report->add_option("--paper", paper, "paper size")
        ->check(CLI::IsMember({"a4", "letter"}))
        ->capture_default_str();

    ParsedArguments parsed;
    std::ostringstream out;
    std::ostringstream err;
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        // A word that names no command is what CLI11 finds last; say that first.
        const std::vector<std::string> rest = app.remaining();
        if (app.get_subcommands().empty() && !rest.empty() && rest.front().rfind('-', 0) != 0) {
            parsed.exit = ExitCode::Usage;
            parsed.err = "telvoro-cli: unknown command \"" + rest.front() + "\"\n\n" + app.help();
            return parsed;
        }
        parsed.exit = app.exit(e, out, err) == 0 ? ExitCode::Done : ExitCode::Usage;
        parsed.out = out.str();
        parsed.err = err.str();
        return parsed;
    }

    CliRequest &r = parsed.request;
    const std::string name = app.get_subcommands().front()->get_name();
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
    r.probe = probe;
    r.format = lineFormat(name == "export" ? exportFormat : format);
    r.intervalS = interval;
    r.count = count;
    r.reconnect = reconnect;
    r.db = fromArgument(db);
    r.csv = fromArgument(csv);
    r.json = fromArgument(json);
    r.resume = resume;
    r.output = fromArgument(output);
    r.on = state == "on";
    r.title = fromArgument(title);
    r.site = fromArgument(site);
    r.testedBy = fromArgument(testedBy);
    if (limit >= 0)
        r.limitOhms = limit;
    r.letter = paper == "letter";
    parsed.run = true;
    return parsed;
}
