#include "xls/XlsFormats.h"

#include <charconv>
#include <cmath>

namespace {

// Characters Excel shows as they are inside a date or time format.
bool IsPlainLiteral(QChar c)
{
    return QStringLiteral(" /:-.,()").contains(c);
}

void AppendLiteral(QString &out, QChar c)
{
    if (!IsPlainLiteral(c))
        out.append(u'\\');
    out.append(c);
}

int RunLength(const QString &text, qsizetype at)
{
    qsizetype end = at;
    while (end < text.size() && text.at(end) == text.at(at))
        ++end;
    return static_cast<int>(end - at);
}

} // namespace

QString XlsFormatFromQt(const QString &qtFormat)
{
    QString out;
    qsizetype i = 0;
    while (i < qtFormat.size()) {
        const QChar c = qtFormat.at(i);
        const int run = RunLength(qtFormat, i);
        if (c == u'\'') {
            // '' is a literal apostrophe; otherwise text up to the closing quote.
            if (i + 1 < qtFormat.size() && qtFormat.at(i + 1) == u'\'') {
                AppendLiteral(out, c);
                i += 2;
                continue;
            }
            for (++i; i < qtFormat.size(); ++i) {
                if (qtFormat.at(i) == u'\'') {
                    if (i + 1 < qtFormat.size() && qtFormat.at(i + 1) == u'\'') {
                        AppendLiteral(out, u'\'');
                        ++i;
                        continue;
                    }
                    break;
                }
                AppendLiteral(out, qtFormat.at(i));
            }
            ++i;
            continue;
        }
        switch (c.unicode()) {
        case u'd':
            out.append(QString(std::min(run, 4), u'd'));
            break;
        case u'M':
            out.append(QString(std::min(run, 4), u'm'));
            break;
        case u'y':
            out.append(run <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy"));
            break;
        case u'h':
        case u'H':
            out.append(run == 1 ? QStringLiteral("h") : QStringLiteral("hh"));
            break;
        case u'm':
            out.append(run == 1 ? QStringLiteral("m") : QStringLiteral("mm"));
            break;
        case u's':
            out.append(run == 1 ? QStringLiteral("s") : QStringLiteral("ss"));
            break;
        case u'z':
            out.append(QStringLiteral("000"));
            break;
        case u't':
            break; // Excel has no time zone
        case u'A':
        case u'a': {
            const bool withP = i + 1 < qtFormat.size() && qtFormat.at(i + 1).toLower() == u'p';
            const bool lower = c == u'a' && (!withP || qtFormat.at(i + 1) == u'p');
            out.append(lower ? QStringLiteral("am/pm") : QStringLiteral("AM/PM"));
            i += withP ? 2 : 1;
            continue;
        }
        default:
            for (int n = 0; n < run; ++n)
                AppendLiteral(out, c);
        }
        i += run;
    }
    return out;
}

bool XlsIsDateTimeFormat(const QString &formatCode)
{
    if (formatCode.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
        return false;
    // Only what is left after quoted text, escaped and padding characters and bracketed colours or
    // conditions counts; elapsed-time brackets such as [h] are times.
    for (qsizetype i = 0; i < formatCode.size(); ++i) {
        const QChar c = formatCode.at(i).toLower();
        if (c == u'"') {
            while (++i < formatCode.size() && formatCode.at(i) != u'"') {
            }
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (c == u'[') {
            const qsizetype close = formatCode.indexOf(u']', i);
            if (close < 0)
                return false;
            const QString inside = formatCode.mid(i + 1, close - i - 1).toLower();
            const bool elapsed = !inside.isEmpty() && QStringLiteral("hms").contains(inside.at(0)) &&
                                 inside.count(inside.at(0)) == inside.size();
            if (elapsed)
                return true;
            i = close;
        } else if (c == u'y' || c == u'm' || c == u'd' || c == u'h' || c == u's') {
            return true;
        }
    }
    return false;
}

QString XlsBuiltInDateTimeFormat(quint16 index)
{
    switch (index) {
    case 14:
        return QStringLiteral("m/d/yy");
    case 15:
        return QStringLiteral("d-mmm-yy");
    case 16:
        return QStringLiteral("d-mmm");
    case 17:
        return QStringLiteral("mmm-yy");
    case 18:
        return QStringLiteral("h:mm AM/PM");
    case 19:
        return QStringLiteral("h:mm:ss AM/PM");
    case 20:
        return QStringLiteral("h:mm");
    case 21:
        return QStringLiteral("h:mm:ss");
    case 22:
        return QStringLiteral("m/d/yy h:mm");
    case 45:
        return QStringLiteral("mm:ss");
    case 46:
        return QStringLiteral("[h]:mm:ss");
    case 47:
        return QStringLiteral("mm:ss.0");
    default:
        return QString();
    }
}

QString XlsNumberText(double value, QChar decimalSeparator)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0)
        return QStringLiteral("0");

    // 15 significant digits, correctly rounded, then trailing zeros dropped: "d.dddddddddddddde-x".
    char scientific[32];
    const auto result =
        std::to_chars(scientific, scientific + sizeof scientific, std::fabs(value), std::chars_format::scientific, 14);
    char digits[16];
    int count = 0;
    const char *p = scientific;
    for (; p < result.ptr && *p != 'e'; ++p)
        if (*p != '.')
            digits[count++] = *p;
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+'), result.ptr, exponent);
    while (count > 1 && digits[count - 1] == '0')
        --count;

    // At most a sign, 15 digits, 5 leading zeros, a separator and an exponent.
    char16_t out[40];
    int n = 0;
    if (value < 0)
        out[n++] = u'-';
    auto put = [&](int from, int to) {
        for (int i = from; i < to; ++i)
            out[n++] = static_cast<char16_t>(digits[i]);
    };
    if (exponent < -5 || exponent >= 15) {
        put(0, 1);
        if (count > 1) {
            out[n++] = decimalSeparator.unicode();
            put(1, count);
        }
        out[n++] = u'E';
        char exp[8];
        const auto e = std::to_chars(exp, exp + sizeof exp, exponent);
        for (const char *q = exp; q < e.ptr; ++q)
            out[n++] = static_cast<char16_t>(*q);
    } else if (exponent < 0) {
        out[n++] = u'0';
        out[n++] = decimalSeparator.unicode();
        for (int i = 0; i < -exponent - 1; ++i)
            out[n++] = u'0';
        put(0, count);
    } else if (count <= exponent + 1) {
        put(0, count);
        for (int i = count; i <= exponent; ++i)
            out[n++] = u'0';
    } else {
        put(0, exponent + 1);
        out[n++] = decimalSeparator.unicode();
        put(exponent + 1, count);
    }
    return QString(reinterpret_cast<const QChar *>(out), n);
}
