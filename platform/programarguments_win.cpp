#include "programarguments.h"

#include <QString>

#include <windows.h>

#include <shellapi.h>

ProgramArguments::ProgramArguments(int argc, char *argv[])
{
    int count = 0;
    wchar_t **wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide) {
        for (int i = 0; i < count; ++i)
            arguments_.push_back(QString::fromWCharArray(wide[i]).toStdString());
        ::LocalFree(wide);
    } else {
        // Out of memory: the narrow arguments are all there is.
        for (int i = 0; i < argc; ++i)
            arguments_.push_back(QString::fromLocal8Bit(argv[i]).toStdString());
    }
    for (const std::string &argument : arguments_)
        pointers_.push_back(argument.c_str());
}
