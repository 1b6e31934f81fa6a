#include "device/SplitParameters.h"

namespace {

bool IsSeparator(QChar c)
{
    switch (c.unicode()) {
    case ' ':
    case '\'':
    case '(':
    case ')':
    case ',':
    case ':':
    case ';':
    case '=':
    case '[':
    case ']':
    case '{':
    case '}':
        return true;
    default:
        return false;
    }
}

} // namespace

QStringList SplitParameters(const QString &response)
{
    QStringList list;
    QString token;
    bool quoted = false;
    for (const QChar c : response) {
        if (quoted) {
            if (c == QLatin1Char('"')) {
                list << token; // even when empty
                token.clear();
                quoted = false;
            } else {
                token += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true; // text before the quote joins the quoted text
        } else if (IsSeparator(c)) {
            if (!token.isEmpty()) {
                list << token;
                token.clear();
            }
        } else {
            token += c;
        }
    }
    if (!token.isEmpty())
        list << token;
    return list;
}
