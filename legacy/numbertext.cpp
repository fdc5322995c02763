#include "numbertext.h"

#include <QLocale>

#include <cmath>

namespace legacy
{

std::optional<double> parseNumber(const QString &text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
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
    bool ok = false;
    const double value = QLocale::c().toDouble(text.mid(begin, end - begin), &ok);
    return ok ? value : 0;
}

double roundHalfEven(double value)
{
    const double lower = std::floor(value);
    const double diff = value - lower;
    if (diff < 0.5)
        return lower;
    if (diff > 0.5)
        return lower + 1;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

} // namespace legacy
