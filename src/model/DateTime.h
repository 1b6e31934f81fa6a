#pragma once
// The shared date-time: days since 1899-12-30 00:00 local time, the fraction being the time of day
// (the spreadsheet day number from 1900-03-01 on). The meter counts whole seconds since 1980-01-01.

#include <QDateTime>
#include <functional>

using TDateTime = double;

// Day number of 1980-01-01, the meter's epoch.
constexpr TDateTime DeviceEpoch = 29221.0;

TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeDateTime(const QDate &date, const QTime &time);
TDateTime DateTimeFromQDateTime(const QDateTime &dt);
// Local time, rounded to the millisecond.
QDateTime QDateTimeFromDateTime(TDateTime value);
QDate DateOf(TDateTime value);
QTime TimeOf(TDateTime value);

TDateTime DeviceTimeToDateTime(quint32 seconds);
// Whole seconds between 1980-01-01 and the value (absolute difference, fraction dropped), as the
// meter's unsigned 32-bit count.
quint32 DateTimeToDeviceTime(TDateTime value);

// "Now" for the whole system; tests may replace it (an empty function restores the real clock).
TDateTime Now();
QDateTime NowQDateTime();
void SetNowFunction(std::function<QDateTime()> now);
