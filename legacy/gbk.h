#pragma once

#include <QByteArray>
#include <QString>

/// Text in GBK (code page 936), the ANSI code page of the Chinese Windows machines the legacy
/// console's files are read on.
namespace gbk
{

/// `text` in GBK; a character GBK lacks becomes '?'.
QByteArray encode(const QString &text);

} // namespace gbk
