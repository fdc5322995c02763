#include "simcommandline.h"

#include "recordgenerator.h"

#include <cmath>

namespace
{

struct OptionSpec {
    const char *name;
    const char *valueName; // nullptr: a flag
    const char *description;
};

const OptionSpec optionSpecs[] = {
    {"kind", "K",
     "Measurement kind of the reading: 1 earth resistance in ohms, 2 AC voltage, 3 earth "
     "resistance in kilo-ohms (mA on the legacy console), 4 DC voltage, 5 negative DC voltage; "
     "0 and 6..15 are no measurement (default 1)."},
    {"decimals", "N", "Decimal places of the reading, 0..15 (default 2)."},
    {"values", "A,B,C",
     "Raw average, maximum and minimum of the reading, each 0..65535; 10000 is over range "
     "(default 1234,1300,1200)."},
    {"battery", "B", "Battery byte of the reading, 0 normal, 1..255 low (default 0)."},
    {"records", "N", "Number of stored records, 0..59999 (default 5)."},
    {"seed", "S", "Seed of the record contents, the test variation and the faults (default 1)."},
    {"no-pacing", nullptr, "Send replies at once instead of at 4800 baud (about 2.08 ms a byte)."},
    {"paced-commands", nullptr,
     "Take each command as crossing the line at 4800 baud too: answer it once its last byte "
     "would be in (default: as soon as it is read)."},
    {"test-time", "MS",
     "Time a single test takes before its new reading appears, 0..60000 ms (default 3000; the "
     "real instrument takes up to 8500)."},
    {"answer-doubled", nullptr,
     "Answer both copies of a command sent twice back to back (default: answer it once)."},
    {"noise", "N", "Send N garbage bytes before each reply, 0..1000 (default 0)."},
    {"chunk", "N", "Send replies in pieces of 1..N bytes with short gaps (default 0: whole)."},
    {"drop", "P", "Probability 0..1 of dropping each byte sent (default 0)."},
    {"corrupt", "P", "Probability 0..1 of corrupting each byte sent (default 0)."},
    {"silent", nullptr, "Obey commands but never answer."},
    {"unplug-after", "S",
     "Close the pseudo-terminal after S seconds, as if the cable were pulled, and exit."},
    {"link", "PATH", "Create a symbolic link PATH to the device while running."},
};

bool readInt(const QCommandLineParser &parser, const char *name, int low, int high, int &out,
             QString &error)
{
    const QString option = QLatin1String(name);
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < low || value > high) {
        error = QStringLiteral("--%1 takes a whole number from %2 to %3, not \"%4\"")
                    .arg(option)
                    .arg(low)
                    .arg(high)
                    .arg(parser.value(option));
        return false;
    }
    out = value;
    return true;
}

bool readProbability(const QCommandLineParser &parser, const char *name, double &out,
                     QString &error)
{
    const QString option = QLatin1String(name);
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const double value = parser.value(option).toDouble(&ok);
    if (!ok || !(value >= 0.0 && value <= 1.0)) {
        error = QStringLiteral("--%1 takes a probability from 0 to 1, not \"%2\"")
                    .arg(option, parser.value(option));
        return false;
    }
    out = value;
    return true;
}

} // namespace

SimCommandLine::SimCommandLine()
{
    parser_.setApplicationDescription(
        QStringLiteral("Simulates the earth resistance tester on a pseudo-terminal. Prints the "
                       "device path as the first line on standard output, logs the traffic on "
                       "standard error and serves until it is stopped."));
    parser_.addHelpOption();
    for (const OptionSpec &spec : optionSpecs) {
        QCommandLineOption option(QLatin1String(spec.name), QLatin1String(spec.description));
        if (spec.valueName)
            option.setValueName(QLatin1String(spec.valueName));
        parser_.addOption(option);
    }
}

bool SimCommandLine::parse(const QStringList &arguments)
{
    error_.clear();
    if (!parser_.parse(arguments)) {
        error_ = parser_.errorText();
        return false;
    }
    if (!parser_.positionalArguments().isEmpty()) {
        error_ = QStringLiteral("unexpected argument \"%1\"").arg(parser_.positionalArguments()[0]);
        return false;
    }
    return readValues();
}

bool SimCommandLine::readValues()
{
    SimOptions &o = options_;
    int battery = o.battery;
    if (!readInt(parser_, "kind", 0, 15, o.kind, error_) ||
        !readInt(parser_, "decimals", 0, 15, o.decimals, error_) ||
        !readInt(parser_, "battery", 0, 255, battery, error_) ||
        !readInt(parser_, "records", 0, sim::MaxRecordCount, o.recordCount, error_) ||
        !readInt(parser_, "test-time", 0, 60000, o.testTimeMs, error_) ||
        !readInt(parser_, "noise", 0, 1000, o.noiseBytes, error_) ||
        !readInt(parser_, "chunk", 0, 1000, o.maxChunk, error_) ||
        !readProbability(parser_, "drop", o.dropProbability, error_) ||
        !readProbability(parser_, "corrupt", o.corruptProbability, error_))
        return false;
    o.battery = quint8(battery);

    if (parser_.isSet(QStringLiteral("values"))) {
        const QString text = parser_.value(QStringLiteral("values"));
        const QStringList parts = text.split(QLatin1Char(','));
        quint16 values[3] = {};
        bool ok = parts.size() == 3;
        for (int i = 0; ok && i < 3; ++i)
            values[i] = parts[i].trimmed().toUShort(&ok);
        if (!ok) {
            error_ = QStringLiteral("--values takes three numbers 0..65535 as A,B,C, not \"%1\"")
                         .arg(text);
            return false;
        }
        o.valueA = values[0];
        o.valueB = values[1];
        o.valueC = values[2];
    }
    if (parser_.isSet(QStringLiteral("seed"))) {
        bool ok = false;
        o.seed = parser_.value(QStringLiteral("seed")).toULongLong(&ok);
        if (!ok) {
            error_ = QStringLiteral("--seed takes a whole number, not \"%1\"")
                         .arg(parser_.value(QStringLiteral("seed")));
            return false;
        }
    }
    if (parser_.isSet(QStringLiteral("unplug-after"))) {
        bool ok = false;
        const double seconds = parser_.value(QStringLiteral("unplug-after")).toDouble(&ok);
        if (!ok || !(seconds >= 0.0 && seconds <= 86400.0)) {
            error_ = QStringLiteral("--unplug-after takes seconds from 0 to 86400, not \"%1\"")
                         .arg(parser_.value(QStringLiteral("unplug-after")));
            return false;
        }
        o.unplugAfterMs = int(std::lround(seconds * 1000.0));
    }
    o.paced = !parser_.isSet(QStringLiteral("no-pacing"));
    o.pacedCommands = parser_.isSet(QStringLiteral("paced-commands"));
    o.answerDoubledCommands = parser_.isSet(QStringLiteral("answer-doubled"));
    o.silent = parser_.isSet(QStringLiteral("silent"));
    linkPath_ = parser_.value(QStringLiteral("link"));
    return true;
}
