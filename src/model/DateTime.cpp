#include "model/DateTime.h"

#include <cmath>

namespace {

const QDate &Epoch()
{
    static const QDate epoch(1899, 12, 30);
    return epoch;
}

constexpr qint64 MsecsPerDay = 86400000;

std::function<QDateTime()> &NowFunction()
{
    static std::function<QDateTime()> now;
    return now;
}

// Splits a day number into whole days and milliseconds of the day. Before the epoch the sign
// belongs to the day only: -1.25 is 1899-12-29 06:00.
void Split(TDateTime value, qint64 &days, qint64 &msecs)
{
    days = static_cast<qint64>(std::trunc(value));
    msecs = std::llround(std::fabs(value - static_cast<double>(days)) * MsecsPerDay);
    if (msecs >= MsecsPerDay) {
        msecs -= MsecsPerDay;
        days += value < 0 ? -1 : 1;
    }
}

} // namespace

TDateTime EncodeDate(int year, int month, int day)
{
    return static_cast<double>(Epoch().daysTo(QDate(year, month, day)));
}

TDateTime EncodeDateTime(const QDate &date, const QTime &time)
{
    const double days = static_cast<double>(Epoch().daysTo(date));
    const double fraction = static_cast<double>(time.msecsSinceStartOfDay()) / MsecsPerDay;
    return days < 0 ? days - fraction : days + fraction;
}

TDateTime DateTimeFromQDateTime(const QDateTime &dt)
{
    return EncodeDateTime(dt.date(), dt.time());
}

QDate DateOf(TDateTime value)
{
    qint64 days = 0, msecs = 0;
    Split(value, days, msecs);
    return Epoch().addDays(days);
}

QTime TimeOf(TDateTime value)
{
    qint64 days = 0, msecs = 0;
    Split(value, days, msecs);
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs));
}

QDateTime QDateTimeFromDateTime(TDateTime value)
{
    return QDateTime(DateOf(value), TimeOf(value));
}

TDateTime DeviceTimeToDateTime(quint32 seconds)
{
    return DeviceEpoch + static_cast<double>(seconds) / 86400.0;
}

quint32 DateTimeToDeviceTime(TDateTime value)
{
    const double msecs = std::fabs(value - DeviceEpoch) * MsecsPerDay;
    const auto whole = static_cast<qint64>(std::llround(msecs)) / 1000;
    return static_cast<quint32>(whole);
}

QDateTime NowQDateTime()
{
    const auto &now = NowFunction();
    return now ? now() : QDateTime::currentDateTime();
}

TDateTime Now()
{
    return DateTimeFromQDateTime(NowQDateTime());
}

void SetNowFunction(std::function<QDateTime()> now)
{
    NowFunction() = std::move(now);
}
