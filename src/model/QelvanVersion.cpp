#include "model/QelvanVersion.h"

#include <QStringList>
#include <stdexcept>

namespace {

const char *const ConversionMessage = "Error during conversion of version string";

// This unit depends on nothing else of the system, so it carries its own error type; it derives
// from std::runtime_error and the callers treat it like every other error with a message.
[[noreturn]] void Fail()
{
    throw std::runtime_error(ConversionMessage);
}

bool IsBlank(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 32;
}

// Items separated by '.' or blanks; blanks around a separator are skipped, a quoted item runs to
// its closing quote (two quotes inside stand for one), and empty items count.
QStringList SplitItems(const QString &whole)
{
    // A NUL character ends the text.
    const QString text = whole.left(whole.indexOf(QChar(0)));
    QStringList items;
    qsizetype p = 0;
    const qsizetype n = text.size();
    while (p < n && IsBlank(text.at(p)))
        ++p;
    while (p < n) {
        QString item;
        if (text.at(p) == QLatin1Char('"')) {
            ++p;
            while (p < n) {
                if (text.at(p) == QLatin1Char('"')) {
                    if (p + 1 < n && text.at(p + 1) == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text.at(p++);
            }
        } else {
            const qsizetype start = p;
            while (p < n && !IsBlank(text.at(p)) && text.at(p) != QLatin1Char('.'))
                ++p;
            item = text.mid(start, p - start);
        }
        items.append(item);
        while (p < n && IsBlank(text.at(p)))
            ++p;
        if (p < n && text.at(p) == QLatin1Char('.')) {
            if (p + 1 == n)
                items.append(QString());
            do
                ++p;
            while (p < n && IsBlank(text.at(p)));
        }
    }
    return items;
}

qint32 ToInt(const QString &item)
{
    qsizetype i = 0;
    if (i < item.size() && (item.at(i) == QLatin1Char('+') || item.at(i) == QLatin1Char('-')))
        ++i;
    if (i == item.size())
        Fail();
    for (; i < item.size(); ++i)
        if (item.at(i) < QLatin1Char('0') || item.at(i) > QLatin1Char('9'))
            Fail();
    bool ok = false;
    const qint32 v = item.toInt(&ok, 10);
    if (!ok)
        Fail();
    return v;
}

} // namespace

void TQELVersion::Clear()
{
    FMajor = 0;
    FMinor = 0;
    FBuild = 0;
    FThreePart = false;
    FSForm = false;
}

void TQELVersion::Parse(const QString &text)
{
    Clear();
    const QStringList items = SplitItems(text);
    if (items.size() < 1 || items.size() > 3)
        Fail();
    if (items.size() == 3) {
        FMajor = ToInt(items[0]);
        FMinor = ToInt(items[1]);
        FBuild = ToInt(items[2]);
        FThreePart = true;
    } else if (items.size() == 2) {
        const QString &second = items[1];
        const qsizetype s = second.indexOf(QLatin1Char('S'), 0, Qt::CaseInsensitive);
        if (s < 0) {
            FMinor = ToInt(second);
        } else {
            FMinor = ToInt(second.left(s));
            FBuild = ToInt(second.mid(s + 1));
            FSForm = true;
        }
        FMajor = ToInt(items[0]);
    } else {
        FMajor = ToInt(items[0]);
    }
}

TVersionCompare TQELVersion::CompareWith(const QString &text) const
{
    TQELVersion other;
    other.Parse(text);
    return Compare(other);
}

TVersionCompare TQELVersion::Compare(const TQELVersion &other) const
{
    if (FMajor != other.FMajor)
        return FMajor < other.FMajor ? vcOlder : vcNewer;
    if (FMinor != other.FMinor)
        return FMinor < other.FMinor ? vcOlder : vcNewer;
    // A three-part version ranks below the plain one; an S version above it.
    if (FThreePart != other.FThreePart)
        return FThreePart ? vcOlder : vcNewer;
    if (FBuild < other.FBuild)
        return vcOlder;
    if (FSForm != other.FSForm)
        return FSForm ? vcNewer : vcOlder;
    return FBuild > other.FBuild ? vcNewer : vcEqual;
}

bool TQELVersion::IsValid() const
{
    return FMajor >= -1 && FMinor >= -1;
}

QString TQELVersion::AsText() const
{
    if (!IsValid())
        return QString();
    QString text = QString::asprintf("%d.%.2d", FMajor, FMinor);
    if (FThreePart)
        text += QLatin1Char('.') + QString::number(FBuild);
    if (FSForm)
        text += QString::asprintf("S%2d", FBuild);
    return text;
}
