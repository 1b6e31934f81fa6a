#include "device/CommandTable.h"

#include <algorithm>

namespace {

const char *const ParameterError = "The received message contained a parameter error.";
const char *const TooManyParameters = "The received message had to many parameters.";

using enum TArgForm;
using enum TTimeOutClass;

// Adding a command: a value of TCommand, a row here, and the operation that sends it.
const QList<TCommandSpec> Commands = {
    // Questions without arguments first: the barrier takes the first one whose words are free.
    {TCommand::GetVersion, "GET VERSION", {}, 4, {}, Resent, false, ParameterError},
    {TCommand::GetRtc, "GET RTC", {}, 8, {}, Resent, false, ParameterError},
    {TCommand::GetServolt, "GET SERVOLT", {}, 3, {}, Resent, false, ParameterError},
    {TCommand::GetMaxNrOfB, "GET MAXNROFB", {}, 3, {}, Resent, false, ParameterError},
    {TCommand::SetRtc,
     "SET RTC",
     {{"hour", Integer},
      {"minute", Integer},
      {"second", Integer},
      {"day", Integer},
      {"month", Integer},
      {"year", Integer}},
     9,
     {},
     Resent,
     true,
     ParameterError},
    {TCommand::GetBatch, "GET BATCH", {{"slot", Integer}}, 8, {}, Resent, false, TooManyParameters},
    // The field before the reading index is not used by the meter and may hold anything.
    {TCommand::GetReading,
     "GET READING",
     {{"batch", Integer}, {"reading", Integer}},
     10,
     {1},
     Resent,
     false,
     TooManyParameters},
    {TCommand::NewBatch,
     "NEW BATCH",
     {{"name", Text}, {"created", Integer}, {"max", Integer}},
     7,
     {},
     OnceNewBatch,
     true,
     ParameterError},
    // A refusal puts the meter's error code where the batch ID stands: the ID is not repeated.
    {TCommand::DelBatch, "DEL BATCH", {{"batch", Integer}}, 4, {}, Once, true, ParameterError},
    {TCommand::GetConfig, "GET CONFIG", {{"index", Integer}}, 4, {0}, Resent, false, ParameterError},
    {TCommand::SetConfig, "SET CONFIG", {{"index", Integer}, {"value", Value}}, 4, {}, Resent, true, ParameterError},
    {TCommand::GetC, "GET C", {{"row", Integer}, {"column", Integer}}, 5, {0, 1}, Resent, false, ParameterError},
};

struct TToken {
    QString Text;
    bool Quoted = false;
};

QList<TToken> Tokens(const QString &line)
{
    QList<TToken> tokens;
    TToken token;
    bool quoted = false, inWord = false;
    for (QChar c : line) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            token.Quoted = true;
            inWord = true;
        } else if (c == QLatin1Char(' ') && !quoted) {
            if (inWord)
                tokens << token;
            token = {};
            inWord = false;
        } else {
            token.Text += c;
            inWord = true;
        }
    }
    if (inWord)
        tokens << token;
    return tokens;
}

bool OfForm(const TToken &token, TArgForm form)
{
    switch (form) {
    case Integer: {
        bool ok = false;
        token.Text.toLongLong(&ok);
        return ok && !token.Quoted;
    }
    case Text:
        return token.Quoted;
    case Value:
        return !token.Quoted && !token.Text.isEmpty();
    }
    return false;
}

} // namespace

const QList<TCommandSpec> &MeterCommands()
{
    return Commands;
}

const TCommandSpec &CommandSpec(TCommand id)
{
    return *std::find_if(Commands.cbegin(), Commands.cend(), [id](const TCommandSpec &c) { return c.Id == id; });
}

const TCommandSpec *FindCommand(const QString &line)
{
    const QStringList words = CommandWords(line).mid(0, 2);
    if (words.size() < 2)
        return nullptr;
    const QString key = words.join(QLatin1Char(' ')).toUpper();
    const auto it = std::find_if(Commands.cbegin(), Commands.cend(),
                                 [&key](const TCommandSpec &c) { return key == QLatin1String(c.Words); });
    return it == Commands.cend() ? nullptr : &*it;
}

QString CommandLine(TCommand id, const QStringList &args)
{
    const TCommandSpec &spec = CommandSpec(id);
    Q_ASSERT(args.size() == spec.Args.size());
    QString line = QLatin1String(spec.Words);
    for (qsizetype i = 0; i < args.size(); ++i) {
        line += QLatin1Char(' ');
        line += spec.Args[i].Form == Text ? QLatin1Char('"') + args[i] + QLatin1Char('"') : args[i];
    }
    return line;
}

QStringList CommandWords(const QString &line)
{
    QStringList words;
    for (const TToken &t : Tokens(line))
        words << t.Text;
    return words;
}

std::optional<QStringList> ParseArguments(const TCommandSpec &spec, const QString &line)
{
    const QList<TToken> tokens = Tokens(line);
    if (tokens.size() != 2 + spec.Args.size())
        return std::nullopt;
    QStringList args;
    for (qsizetype i = 0; i < spec.Args.size(); ++i) {
        if (!OfForm(tokens[2 + i], spec.Args[i].Form))
            return std::nullopt;
        args << tokens[2 + i].Text;
    }
    return args;
}
