#include "xls/XlsFormats.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Characters Excel shows as they are inside a date or time format.
bool IsPlainLiteral(QChar c) { return QStringLiteral(" /:-.,()").contains(c); }

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
    case 14: return QStringLiteral("m/d/yy");
    case 15: return QStringLiteral("d-mmm-yy");
    case 16: return QStringLiteral("d-mmm");
    case 17: return QStringLiteral("mmm-yy");
    case 18: return QStringLiteral("h:mm AM/PM");
    case 19: return QStringLiteral("h:mm:ss AM/PM");
    case 20: return QStringLiteral("h:mm");
    case 21: return QStringLiteral("h:mm:ss");
    case 22: return QStringLiteral("m/d/yy h:mm");
    case 45: return QStringLiteral("mm:ss");
    case 46: return QStringLiteral("[h]:mm:ss");
    case 47: return QStringLiteral("mm:ss.0");
    default: return QString();
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

    // 15 significant digits, rounded by the C library, then trailing zeros dropped. Only the digits
    // are taken, whatever decimal point the C locale prints.
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    QString digits;
    const char *p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits.append(QLatin1Char(*p));
    const int exponent = *p ? std::atoi(p + 1) : 0;
    while (digits.size() > 1 && digits.endsWith(u'0'))
        digits.chop(1);

    QString out = value < 0 ? QStringLiteral("-") : QString();
    if (exponent < -5 || exponent >= 15) {
        out += digits.left(1);
        if (digits.size() > 1)
            out += decimalSeparator + digits.mid(1);
        out += QStringLiteral("E%1").arg(exponent);
    } else if (exponent < 0) {
        out += QStringLiteral("0") + decimalSeparator + QString(-exponent - 1, u'0') + digits;
    } else if (digits.size() <= exponent + 1) {
        out += digits + QString(exponent + 1 - digits.size(), u'0');
    } else {
        out += digits.left(exponent + 1) + decimalSeparator + digits.mid(exponent + 1);
    }
    return out;
}
