#include "model/Conversions.h"

#include "model/Errors.h"
#include "model/UserLocale.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

ConvertError NotInteger(const QString &text)
{
    return ConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

bool IsBlank(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 32;
}

template <typename T> std::optional<T> ParseInteger(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && IsBlank(text.at(i)))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        negative = text.at(i++) == QLatin1Char('-');
    if (i == text.size())
        return std::nullopt;
    // Accumulate as a negative number so that the type's minimum parses too.
    T value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        const T digit = static_cast<T>(c.unicode() - '0');
        if (value < (std::numeric_limits<T>::min() + digit) / 10)
            return std::nullopt;
        value = static_cast<T>(value * 10 - digit);
    }
    if (!negative) {
        if (value == std::numeric_limits<T>::min())
            return std::nullopt;
        value = static_cast<T>(-value);
    }
    return value;
}

} // namespace

std::optional<qint32> TryStrToInt(const QString &text)
{
    return ParseInteger<qint32>(text);
}

std::optional<qint64> TryStrToInt64(const QString &text)
{
    return ParseInteger<qint64>(text);
}

qint32 StrToInt(const QString &text)
{
    if (auto v = TryStrToInt(text))
        return *v;
    throw NotInteger(text);
}

qint64 StrToInt64(const QString &text)
{
    if (auto v = TryStrToInt64(text))
        return *v;
    throw NotInteger(text);
}

std::optional<double> TryStrToFloat(const QString &text, QChar decimalSeparator)
{
    const QString t = text.trimmed();
    std::string plain;
    plain.reserve(t.size());
    qsizetype i = 0;
    auto digits = [&] {
        qsizetype n = 0;
        while (i < t.size() && t.at(i) >= QLatin1Char('0') && t.at(i) <= QLatin1Char('9')) {
            plain.push_back(static_cast<char>(t.at(i++).unicode()));
            ++n;
        }
        return n;
    };
    if (i < t.size() && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-'))) {
        if (t.at(i) == QLatin1Char('-'))
            plain.push_back('-');
        ++i;
    }
    qsizetype mantissa = digits();
    if (i < t.size() && t.at(i) == decimalSeparator) {
        plain.push_back('.');
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return std::nullopt;
    if (i < t.size() && (t.at(i) == QLatin1Char('e') || t.at(i) == QLatin1Char('E'))) {
        plain.push_back('e');
        ++i;
        if (i < t.size() && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
            plain.push_back(static_cast<char>(t.at(i++).unicode()));
        if (digits() == 0)
            return std::nullopt;
    }
    if (i != t.size())
        return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double StrToFloat(const QString &text, QChar decimalSeparator)
{
    if (auto v = TryStrToFloat(text, decimalSeparator))
        return *v;
    throw ConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

std::optional<double> TryStrToFloat(const QString &text)
{
    return TryStrToFloat(text, UserLocale::Current().DecimalSeparator);
}

double StrToFloat(const QString &text)
{
    return StrToFloat(text, UserLocale::Current().DecimalSeparator);
}

QString FormatFixed(double value, int decimals, QChar decimalSeparator)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    // The value as 15 significant decimal digits, as a double holds them; the rounding below then
    // works on that decimal text, so a value that reads as a half rounds away from zero.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    const std::string sci(buf, res.ptr);
    const auto ePos = sci.find('e');
    std::string digits = sci.substr(0, 1) + sci.substr(2, ePos - 2);
    int exponent = std::stoi(sci.substr(ePos + 1));
    // digits d0 d1 ... with value = d0.d1d2... * 10^exponent; a leading 0 leaves room for a carry.
    digits.insert(digits.begin(), '0');
    ++exponent;
    const int keep = exponent + 1 + decimals; // digits before the rounding position
    if (keep < 0) {
        digits.assign(1, '0');
    } else if (keep < static_cast<int>(digits.size())) {
        const bool up = digits[keep] >= '5';
        digits.resize(keep);
        for (int k = keep - 1; up && k >= 0; --k) {
            if (digits[k] == '9') {
                digits[k] = '0';
            } else {
                ++digits[k];
                break;
            }
        }
    }
    // Integer part: digits[0 .. exponent], fraction: the next `decimals` digits.
    auto digitAt = [&](int k) { return k >= 0 && k < static_cast<int>(digits.size()) ? digits[k] : '0'; };
    QString intPart;
    for (int k = 0; k <= exponent; ++k)
        intPart += QLatin1Char(digitAt(k));
    while (intPart.size() > 1 && intPart.at(0) == QLatin1Char('0'))
        intPart.remove(0, 1);
    if (intPart.isEmpty())
        intPart = QStringLiteral("0");
    QString fraction;
    for (int k = exponent + 1; k <= exponent + decimals; ++k)
        fraction += QLatin1Char(digitAt(k));
    const bool zero = (intPart + fraction).count(QLatin1Char('0')) == (intPart + fraction).size();
    QString out = (value < 0 && !zero) ? QStringLiteral("-") : QString();
    out += intPart;
    if (decimals > 0)
        out += decimalSeparator + fraction;
    return out;
}

QString FormatFixed(double value, int decimals)
{
    return FormatFixed(value, decimals, UserLocale::Current().DecimalSeparator);
}

qint64 RoundHalfEven(double value)
{
    // 2^63: anything at or beyond it does not fit.
    if (!(std::fabs(value) < 9223372036854775808.0))
        throw Error(QStringLiteral("Invalid floating point operation"));
    return static_cast<qint64>(std::nearbyint(value));
}

double Divide(double numerator, double denominator)
{
    if (std::isnan(numerator) || std::isnan(denominator))
        throw Error(QStringLiteral("Invalid floating point operation"));
    if (denominator == 0.0) {
        if (numerator == 0.0)
            throw Error(QStringLiteral("Invalid floating point operation"));
        throw Error(QStringLiteral("Floating point division by zero"));
    }
    return numerator / denominator;
}

QString DateToStr(TDateTime value)
{
    return DateOf(value).toString(UserLocale::Current().ShortDateFormat);
}

QString TimeToStr(TDateTime value)
{
    return TimeOf(value).toString(QStringLiteral("HH:mm:ss"));
}

namespace {

int ExpandYear(int year, qsizetype digits)
{
    if (digits > 2)
        return year;
    // A two-digit year is taken within fifty years of today.
    const int now = NowQDateTime().date().year();
    int full = now / 100 * 100 + year;
    if (full > now + 50)
        full -= 100;
    else if (full <= now - 50)
        full += 100;
    return full;
}

} // namespace

std::optional<TDateTime> TryStrToDate(const QString &text)
{
    const QString format = UserLocale::Current().ShortDateFormat;
    // The order of day, month and year follows the format; any non-digit separates the parts.
    QList<QChar> order;
    for (QChar c : format) {
        const QChar k = c.toLower();
        if ((k == QLatin1Char('d') || k == QLatin1Char('m') || k == QLatin1Char('y')) && !order.contains(k))
            order.append(k);
    }
    static const QRegularExpression numeric(QStringLiteral("^\\s*(\\d{1,4})\\D(\\d{1,4})\\D(\\d{1,4})\\s*$"));
    const auto m = numeric.match(text);
    if (m.hasMatch() && order.size() == 3) {
        int day = 0, month = 0, year = 0;
        for (int k = 0; k < 3; ++k) {
            const int n = m.captured(k + 1).toInt();
            if (order[k] == QLatin1Char('d'))
                day = n;
            else if (order[k] == QLatin1Char('m'))
                month = n;
            else
                year = ExpandYear(n, m.captured(k + 1).size());
        }
        const QDate date(year, month, day);
        if (date.isValid())
            return EncodeDate(year, month, day);
        return std::nullopt;
    }
    const QDate date = QDate::fromString(text.trimmed(), format);
    if (date.isValid())
        return EncodeDateTime(date, QTime(0, 0));
    return std::nullopt;
}

TDateTime StrToDate(const QString &text)
{
    if (auto v = TryStrToDate(text))
        return *v;
    throw ConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
}

std::optional<TDateTime> TryStrToTime(const QString &text)
{
    static const QRegularExpression plain(
        QStringLiteral("^\\s*(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2})(?:[.,](\\d{1,3}))?)?\\s*$"));
    QTime time;
    if (const auto m = plain.match(text); m.hasMatch()) {
        const int ms = m.captured(4).isEmpty() ? 0 : m.captured(4).leftJustified(3, QLatin1Char('0')).toInt();
        time = QTime(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), ms);
    } else {
        time = QTime::fromString(text.trimmed(), UserLocale::Current().TimeFormat);
    }
    if (!time.isValid())
        return std::nullopt;
    return static_cast<double>(time.msecsSinceStartOfDay()) / 86400000.0;
}

TDateTime StrToTime(const QString &text)
{
    if (auto v = TryStrToTime(text))
        return *v;
    throw ConvertError(QStringLiteral("'%1' is not a valid time").arg(text));
}
