#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace legacy
{

/// A text box's content as a number: surrounding blanks allowed, nothing else. Empty or
/// non-numeric text gives no number.
std::optional<double> parseNumber(const QString &text);

/// The number a text starts with: leading blanks skipped, then digits with at most one
/// decimal point; whatever follows is ignored. No digits give 0.
double leadingNumber(QStringView text);

} // namespace legacy
