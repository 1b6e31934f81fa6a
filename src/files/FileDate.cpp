#include "files/FileDate.h"

#include <QFile>
#include <cmath>

namespace {

// 1980-01-01 and 2108-01-01 as day numbers; outside them no further test is needed.
constexpr TDateTime FirstDay = 29221.0;
constexpr TDateTime EndDay = 75972.0;

} // namespace

std::optional<QDateTime> FileDateOf(TDateTime dateTime)
{
    if (!std::isfinite(dateTime) || dateTime < FirstDay - 1 || dateTime > EndDay + 1)
        return std::nullopt;
    const QDateTime local = QDateTimeFromDateTime(dateTime);
    const QTime t = local.time();
    const QDateTime stamp(local.date(), QTime(t.hour(), t.minute(), t.second() / 2 * 2));
    if (!stamp.isValid() || stamp.date().year() < 1980 || stamp.date().year() > 2107)
        return std::nullopt;
    return stamp;
}

bool SetFileDate(const QString &fileName, TDateTime dateTime)
{
    const auto stamp = FileDateOf(dateTime);
    if (!stamp)
        return false;
    // Opened for writing without truncating it, and never created here.
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly))
        return false;
    const bool done = file.setFileTime(*stamp, QFileDevice::FileModificationTime);
    file.close();
    return done;
}
