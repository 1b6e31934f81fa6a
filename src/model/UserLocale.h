#pragma once
// The user's regional settings as the system uses them: decimal separator, short date format and
// time format (Qt format syntax). Numbers exchanged with the meter never go through this.

#include <QChar>
#include <QString>

class QLocale;

class UserLocale {
public:
    QChar DecimalSeparator = QLatin1Char('.');
    QString ShortDateFormat = QStringLiteral("dd/MM/yyyy");
    QString TimeFormat = QStringLiteral("HH:mm:ss");

    // The settings of a Qt locale, two-digit years widened to four.
    static UserLocale FromLocale(const QLocale &locale);

    // The settings in force; the system locale until a test sets others.
    static const UserLocale &Current();
    static void SetCurrent(const UserLocale &locale);
};

// "yy" becomes "yyyy", so that a date written and read back keeps its century.
QString WidenYearFormat(const QString &format);
