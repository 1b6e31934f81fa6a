#include "device/ReplyMatch.h"

#include "device/CommandTable.h"
#include "device/SplitParameters.h"

#include <algorithm>

namespace {

bool Same(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The echoed argument at `pos` of the reply, where the command has it at `cmdPos`; a reply too
// short to hold it is left to the operation's own parameter check.
bool Echoes(const QStringList &command, qsizetype cmdPos, const QStringList &reply, qsizetype pos)
{
    if (reply.size() <= pos || command.size() <= cmdPos)
        return true;
    bool ok1 = false, ok2 = false;
    const int a = command[cmdPos].toInt(&ok1);
    const int b = reply[pos].toInt(&ok2);
    return ok1 && ok2 ? a == b : Same(command[cmdPos], reply[pos]);
}

} // namespace

bool IsRefusal(const QString &reply)
{
    QString text = reply;
    text.remove(QChar(0));
    const QStringList r = SplitParameters(text);
    return !r.isEmpty() &&
           (Same(r[0], QStringLiteral("ERR")) || Same(text, QStringLiteral("P?")) || Same(text, QStringLiteral("C?")));
}

QString CommandKey(const QString &command)
{
    return SplitParameters(command).mid(0, 2).join(QLatin1Char(' ')).toUpper();
}

bool ReplyAnswers(const QString &command, const QString &reply)
{
    QString text = reply;
    text.remove(QChar(0));
    const QStringList r = SplitParameters(text);
    // Refusals, and an empty reply, carry nothing to check: taken as they are.
    if (r.isEmpty() || IsRefusal(text))
        return true;
    const QStringList c = SplitParameters(command);
    for (qsizetype i = 0; i < qMin<qsizetype>(2, c.size()); ++i)
        if (r.size() <= i || !Same(r[i], c[i]))
            return false;
    const TCommandSpec *spec = FindCommand(command);
    if (!spec)
        return true;
    return std::all_of(spec->Echoed.cbegin(), spec->Echoed.cend(),
                       [&](qsizetype arg) { return Echoes(c, 2 + arg, r, 2 + arg); });
}
