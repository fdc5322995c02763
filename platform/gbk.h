#pragma once

#include <QByteArray>
#include <QString>

/// Text in GBK (code page 936), the ANSI code page of the Chinese Windows machines the legacy
/// console's files are read on.
namespace gbk
{

/// `text` in GBK; each character GBK lacks (one code point, whatever its length in UTF-16)
/// becomes a single '?', never a look-alike.
QByteArray encode(const QString &text);

} // namespace gbk
