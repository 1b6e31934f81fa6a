#include "model/UserLocale.h"

#include <QLocale>
#include <QRegularExpression>
#include <optional>

namespace {

std::optional<UserLocale> &Override()
{
    static std::optional<UserLocale> locale;
    return locale;
}

} // namespace

QString WidenYearFormat(const QString &format)
{
    QString out;
    for (qsizetype i = 0; i < format.size();) {
        if (format.at(i) == QLatin1Char('\'')) { // quoted literal text stays as it is
            const qsizetype end = format.indexOf(QLatin1Char('\''), i + 1);
            const qsizetype stop = end < 0 ? format.size() : end + 1;
            out += format.mid(i, stop - i);
            i = stop;
            continue;
        }
        if (format.at(i) == QLatin1Char('y')) {
            qsizetype run = 0;
            while (i + run < format.size() && format.at(i + run) == QLatin1Char('y'))
                ++run;
            out += QStringLiteral("yyyy");
            i += run;
            continue;
        }
        out += format.at(i++);
    }
    return out;
}

UserLocale UserLocale::FromLocale(const QLocale &locale)
{
    UserLocale result;
    const QString decimal = locale.decimalPoint();
    result.DecimalSeparator = decimal.isEmpty() ? QLatin1Char('.') : decimal.at(0);
    result.ShortDateFormat = WidenYearFormat(locale.dateFormat(QLocale::ShortFormat));
    // The long time format carries the seconds; a time zone has no place in a file cell.
    QString time = locale.timeFormat(QLocale::LongFormat);
    time.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*$")));
    result.TimeFormat = time.trimmed();
    return result;
}

const UserLocale &UserLocale::Current()
{
    if (!Override())
        Override() = FromLocale(QLocale::system());
    return *Override();
}

void UserLocale::SetCurrent(const UserLocale &locale)
{
    Override() = locale;
}

const QList<UserLocale> &UserLocale::Common()
{
    static const QList<UserLocale> common = [] {
        QList<UserLocale> list;
        for (const char *name : {"en_GB", "en_US", "de_DE", "fr_FR", "nl_NL", "C"}) {
            UserLocale l = FromLocale(QLocale(QString::fromLatin1(name)));
            l.Name = QString::fromLatin1(name);
            list << l;
        }
        UserLocale iso;
        iso.ShortDateFormat = QStringLiteral("yyyy-MM-dd");
        iso.TimeFormat = QStringLiteral("HH:mm:ss");
        iso.Name = QStringLiteral("ISO");
        list << iso;
        return list;
    }();
    return common;
}

QString UserLocale::Description() const
{
    const QString separator =
        DecimalSeparator == QLatin1Char(',') ? QStringLiteral("decimal comma") : QStringLiteral("decimal point");
    return QStringLiteral("%1 (%2, dates %3)")
        .arg(Name.isEmpty() ? QStringLiteral("your own") : Name, separator, ShortDateFormat);
}
