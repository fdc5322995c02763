#include "gbk.h"

#include <QStringEncoder>

namespace gbk
{

// Qt's converter knows GBK through ICU, which Debian's Qt is built with; it writes '?' for
// each code point GBK lacks.
QByteArray encode(const QString &text)
{
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

} // namespace gbk
