#include "gbk.h"

#include <windows.h>

namespace gbk
{

QByteArray encode(const QString &text)
{
    // Code page 936 has no character beyond the BMP: each one, and each surrogate alone, is one
    // '?' here, where Windows would write one per UTF-16 unit.
    QString bmp;
    bmp.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!c.isSurrogate()) {
            bmp.append(c);
            continue;
        }
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        bmp.append(u'?');
    }
    if (bmp.isEmpty())
        return {};
    // Without WC_NO_BEST_FIT_CHARS Windows writes look-alikes ("à" for "À", "2" for "²")
    // instead of the default character. Code page 936 takes that flag and a default character;
    // only UTF-7, UTF-8 and a few stateful code pages refuse them.
    const auto *wide = reinterpret_cast<const wchar_t *>(bmp.utf16());
    const int length = int(bmp.size());
    const DWORD flags = WC_NO_BEST_FIT_CHARS;
    const int size = ::WideCharToMultiByte(936, flags, wide, length, nullptr, 0, "?", nullptr);
    QByteArray bytes(size, Qt::Uninitialized);
    ::WideCharToMultiByte(936, flags, wide, length, bytes.data(), size, "?", nullptr);
    return bytes;
}

} // namespace gbk
