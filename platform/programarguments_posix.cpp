#include "programarguments.h"

ProgramArguments::ProgramArguments(int argc, char *argv[]) : arguments_(argv, argv + argc)
{
    for (const std::string &argument : arguments_)
        pointers_.push_back(argument.c_str());
}
