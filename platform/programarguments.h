#pragma once

#include <string>
#include <vector>

/// The program's command line as UTF-8, whatever the system's code page: on Windows read again
/// from the wide command line, since the narrow argv there is in the ANSI code page, which
/// loses every character outside it; elsewhere argv as it is.
class ProgramArguments
{
public:
    ProgramArguments(int argc, char *argv[]);
    ProgramArguments(const ProgramArguments &) = delete;
    ProgramArguments &operator=(const ProgramArguments &) = delete;

    int count() const { return int(pointers_.size()); }
    /// argv-style: `count()` pointers to the arguments, the program first.
    const char *const *values() const { return pointers_.data(); }

private:
    std::vector<std::string> arguments_;
    std::vector<const char *> pointers_;
};
