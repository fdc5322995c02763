#include "datafolder.h"

#include <QDir>

namespace datafolder
{

bool ensure()
{
    return QDir().mkpath(path());
}

} // namespace datafolder
