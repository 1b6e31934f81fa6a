#pragma once
// The user's regional settings as the system uses them: decimal separator, short date format and
// time format (Qt format syntax). Numbers exchanged with the meter never go through this.

#include <QChar>
#include <QList>
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

    // The conventions files are commonly written with elsewhere: those of en_GB, en_US, de_DE, fr_FR,
    // nl_NL and of a system without regional settings (C), and ISO dates, each with its Name.
    static const QList<UserLocale> &Common();

    // What the conventions are, for the user: "en_GB (decimal point, dates dd/MM/yyyy)".
    QString Description() const;
    bool SameConventions(const UserLocale &other) const
    {
        return DecimalSeparator == other.DecimalSeparator && ShortDateFormat == other.ShortDateFormat &&
               TimeFormat == other.TimeFormat;
    }

    QString Name; // the locale's name, empty for the user's own
};

// Puts conventions in force while it lives, then those before: a file is read and written back with
// the conventions it was written with.
class TLocaleInForce {
public:
    explicit TLocaleInForce(const UserLocale &locale)
        : FBefore(UserLocale::Current())
    {
        UserLocale::SetCurrent(locale);
    }
    ~TLocaleInForce() { UserLocale::SetCurrent(FBefore); }
    TLocaleInForce(const TLocaleInForce &) = delete;
    TLocaleInForce &operator=(const TLocaleInForce &) = delete;

private:
    UserLocale FBefore;
};

// "yy" becomes "yyyy", so that a date written and read back keeps its century.
QString WidenYearFormat(const QString &format);
