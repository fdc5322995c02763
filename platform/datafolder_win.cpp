#include "datafolder.h"

namespace datafolder
{

QString path()
{
    return QStringLiteral("c:\\KOVA");
}

} // namespace datafolder
