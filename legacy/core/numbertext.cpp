#include "numbertext.h"

#include <QLocale>

#include <charconv>
#include <cmath>

namespace legacy
{

namespace
{

// Digits with an optional decimal part ("150", "13.00"): by far the commonest text here, and
// read without QLocale, whose parse is most of what formatting a record costs when a save
// formats ten thousand of them. Both round correctly, so the values are the same.
std::optional<double> plainDecimal(QStringView text)
{
    constexpr qsizetype MaxLength = 40;
    if (text.isEmpty() || text.size() > MaxLength)
        return std::nullopt;
    char ascii[MaxLength];
    qsizetype before = 0;
    qsizetype after = 0;
    bool point = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'.' && !point)
            point = true;
        else if (c >= u'0' && c <= u'9')
            ++(point ? after : before);
        else
            return std::nullopt;
        ascii[i] = char(c);
    }
    if (before == 0 || (point && after == 0))
        return std::nullopt;
    double value = 0;
    const std::from_chars_result read = std::from_chars(ascii, ascii + text.size(), value);
    if (read.ec != std::errc() || read.ptr != ascii + text.size())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> parseNumber(const QString &text)
{
    const QStringView trimmed = QStringView(text).trimmed();
    if (const std::optional<double> plain = plainDecimal(trimmed))
        return plain;
    bool ok = false;
    const double value = QLocale::c().toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double leadingNumber(QStringView text)
{
    qsizetype begin = 0;
    while (begin < text.size() && text[begin] == u' ')
        ++begin;
    qsizetype end = begin;
    bool point = false;
    for (; end < text.size(); ++end) {
        const char16_t c = text[end].unicode();
        if (c == u'.' && !point)
            point = true;
        else if (c < u'0' || c > u'9')
            break;
    }
    const QStringView number = text.mid(begin, end - begin);
    if (const std::optional<double> plain = plainDecimal(number))
        return *plain;
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    return ok ? value : 0;
}

} // namespace legacy
