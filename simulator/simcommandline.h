#pragma once

#include "simoptions.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

/// telvoro-sim's command line: the options mirror SimOptions, plus --link.
class SimCommandLine
{
public:
    SimCommandLine();

    /// Parses the arguments (program name first). False on an unknown option or a bad value,
    /// with the reason in errorText().
    bool parse(const QStringList &arguments);

    QString errorText() const { return error_; }
    bool helpRequested() const
    {
        return parser_.isSet(QStringLiteral("help")) || parser_.isSet(QStringLiteral("help-all"));
    }
    QString helpText() const { return parser_.helpText(); }

    const SimOptions &options() const { return options_; }
    /// Where to create a symbolic link to the device; empty for none.
    QString linkPath() const { return linkPath_; }

private:
    bool readValues();

    QCommandLineParser parser_;
    SimOptions options_;
    QString linkPath_;
    QString error_;
};
