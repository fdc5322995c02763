#pragma once

#include "legacystate.h"

#include <QString>

#include <optional>

namespace legacy
{

inline const QString AutoTestOffCaption = QStringLiteral("打开自动测试");
inline const QString AutoTestOnCaption = QStringLiteral("关闭自动测试");
inline const QString BacklightOnCaption = QStringLiteral("开背光灯");
inline const QString BacklightOffCaption = QStringLiteral("关背光灯");
inline const QString BuzzerOnCaption = QStringLiteral("开蜂鸣器");
inline const QString BuzzerOffCaption = QStringLiteral("关蜂鸣器");

/// Interval of the automatic test right after it is switched on, so the first test goes out
/// at once.
constexpr int AutoTestFirstInterval = 50;

struct AutoTestStep {
    bool sendTest = false; ///< `pendingCommand` holds a single test
    bool reopen = false;   ///< no frame since the last snapshot: reopen the port
};

/// One automatic-test tick on the state (the period is the form's business).
AutoTestStep autoTestTick(LegacyState &state);

/// A timer interval from a text box: the number times `factor`, rounded ties-to-even. No
/// result for text that is not a number.
std::optional<double> intervalFromText(const QString &text, double factor);

/// Clears the downloaded records on the PC side; the instrument keeps its own.
void clearDownloadedRecords(LegacyState &state);

/// A toggle button's next caption and command: the caption `offer` sends `offerCode` and
/// turns into `other`; any other caption sends `otherCode` and turns into `offer`.
struct Toggle {
    QString caption;
    quint16 code = 0;
};
Toggle toggle(const QString &caption, const QString &offer, quint16 offerCode, const QString &other,
              quint16 otherCode);

} // namespace legacy
