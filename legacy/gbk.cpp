#include "gbk.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QStringEncoder>
#include <iconv.h>
#endif

namespace gbk
{

#ifdef Q_OS_WIN

QByteArray encode(const QString &text)
{
    if (text.isEmpty())
        return {};
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int length = int(text.size());
    const int size = WideCharToMultiByte(936, 0, wide, length, nullptr, 0, "?", nullptr);
    QByteArray bytes(size, Qt::Uninitialized);
    WideCharToMultiByte(936, 0, wide, length, bytes.data(), size, "?", nullptr);
    return bytes;
}

#else

namespace
{

// Qt's own converter knows GBK only when Qt is built with ICU; iconv is there otherwise.
QByteArray encodeWithIconv(const QString &text)
{
    const iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == iconv_t(-1))
        return text.toLatin1();
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 2 + 4, Qt::Uninitialized);
    char *inPtr = in.data();
    std::size_t inLeft = std::size_t(in.size());
    char *outPtr = out.data();
    std::size_t outLeft = std::size_t(out.size());
    while (inLeft > 0) {
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != std::size_t(-1))
            break;
        // A character GBK lacks: write '?' and skip its UTF-8 sequence.
        *outPtr++ = '?';
        --outLeft;
        do {
            ++inPtr;
            --inLeft;
        } while (inLeft > 0 && (static_cast<unsigned char>(*inPtr) & 0xC0) == 0x80);
    }
    iconv_close(cd);
    out.truncate(int(outPtr - out.data()));
    return out;
}

} // namespace

QByteArray encode(const QString &text)
{
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        return encodeWithIconv(text);
    QByteArray bytes = encoder.encode(text);
    return bytes;
}

#endif

} // namespace gbk
