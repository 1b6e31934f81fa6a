#include "files/FileDate.h"

#include <QFile>
#include <QTimeZone>
#include <cmath>
#include <optional>

namespace {

// 1980-01-01 and 2108-01-01 as day numbers; outside them no further test is needed.
constexpr TDateTime FirstDay = 29221.0;
constexpr TDateTime EndDay = 75972.0;

constexpr qint64 MsecsPerDay = 86400000;

// The moment the local clock shows this date and time. The clock skips an hour when summer time starts
// and shows one twice when it ends; the meter's clock does neither, so a batch can be created at any
// of those times. A time in the skipped hour takes the first time after it, one in the repeated hour
// its first occurrence.
QDateTime LocalMoment(const QDate &date, const QTime &time)
{
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const qint64 wall = QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
    auto offsetAt = [&](qint64 utc) {
        return qint64(zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(utc, Qt::UTC))) * 1000;
    };
    // The offsets of the day before and the day after: at most one change lies between them.
    std::optional<qint64> first;
    for (const qint64 offset : {offsetAt(wall - MsecsPerDay), offsetAt(wall + MsecsPerDay)}) {
        const qint64 utc = wall - offset;
        if (offsetAt(utc) == offset && (!first || utc < *first))
            first = utc;
    }
    if (!first) {
        // In the skipped hour: the change of offset ends it. The moment past the gap by the time the
        // clock was into it stands in when the zone does not tell its changes.
        const qint64 past = wall - offsetAt(wall - MsecsPerDay);
        const QDateTime change = zone.previousTransition(QDateTime::fromMSecsSinceEpoch(past + 1, Qt::UTC)).atUtc;
        first = change.isValid() ? change.toMSecsSinceEpoch() : past;
    }
    return QDateTime::fromMSecsSinceEpoch(*first).toLocalTime();
}

} // namespace

std::optional<QDateTime> FileDateOf(TDateTime dateTime)
{
    if (!std::isfinite(dateTime) || dateTime < FirstDay - 1 || dateTime > EndDay + 1)
        return std::nullopt;
    const QTime t = TimeOf(dateTime);
    const QDateTime stamp = LocalMoment(DateOf(dateTime), QTime(t.hour(), t.minute(), t.second() / 2 * 2));
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
