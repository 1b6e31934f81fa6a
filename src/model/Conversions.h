#pragma once
// Conversions between text and numbers or dates, with the system's messages and rounding rules.
// Failures raise ConvertError ("'%s' is not a valid integer value" and its siblings) or Error for
// arithmetic ("Floating point division by zero", "Invalid floating point operation").

#include "model/DateTime.h"

#include <QString>
#include <optional>

class UserLocale;

// Decimal integers: optional leading blanks and sign, digits only.
qint32 StrToInt(const QString &text);
qint64 StrToInt64(const QString &text);
std::optional<qint32> TryStrToInt(const QString &text);
std::optional<qint64> TryStrToInt64(const QString &text);

// Decimal numbers with the given separator: optional blanks around, sign, fraction and exponent.
double StrToFloat(const QString &text, QChar decimalSeparator);
std::optional<double> TryStrToFloat(const QString &text, QChar decimalSeparator);
// With the user's decimal separator.
double StrToFloat(const QString &text);
std::optional<double> TryStrToFloat(const QString &text);

// Fixed-point text with an exact decimal half rounded away from zero ("%.1f", "%.2f").
QString FormatFixed(double value, int decimals, QChar decimalSeparator);
QString FormatFixed(double value, int decimals); // user's decimal separator

// Nearest integer, an exact half to the even neighbour. A quotient that does not fit 64 bits
// raises "Invalid floating point operation".
qint64 RoundHalfEven(double value);
// numerator / denominator, raising the arithmetic errors instead of producing an infinity or NaN.
double Divide(double numerator, double denominator);

// Dates in the user's short date format, times as "hh:nn:ss" (24-hour).
QString DateToStr(TDateTime value);
QString TimeToStr(TDateTime value);
TDateTime StrToDate(const QString &text);
std::optional<TDateTime> TryStrToDate(const QString &text);
// Accepts the 24-hour "hh:nn:ss" of the files as well as the user's time format; a fraction of a day.
TDateTime StrToTime(const QString &text);
std::optional<TDateTime> TryStrToTime(const QString &text);
