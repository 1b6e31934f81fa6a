// talvo-sim: a Talvo meter on a pseudo-terminal, for tests, benchmarks and the demo.
#include "Meter.h"
#include "Server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>
#include <cstdio>
#include <stdexcept>

namespace {

int Fail(const QString &message)
{
    std::fprintf(stderr, "talvo-sim: %s\n", qPrintable(message));
    return 2;
}

// "--pace" takes an optional line speed: "--pace 9600" and "--pace=9600" stand for "--pace --baud 9600".
// The simulator has no positional arguments, so a number after "--pace" can mean nothing else.
QStringList WithPaceRate(QStringList args)
{
    static const QRegularExpression number(QStringLiteral("^\\d+$"));
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i].startsWith(QLatin1String("--pace="))) {
            const QString rate = args[i].mid(7);
            args[i] = QStringLiteral("--pace");
            args.insert(i + 1, QStringLiteral("--baud=") + rate);
        } else if (args[i] == QLatin1String("--pace") && i + 1 < args.size() && number.match(args[i + 1]).hasMatch()) {
            args[i + 1] = QStringLiteral("--baud=") + args[i + 1];
        }
    }
    return args;
}

// The value of a numeric flag, or `fallback` when it is not given; a bad value ends the start.
int IntOption(const QCommandLineParser &p, const QCommandLineOption &option, int min, int fallback)
{
    if (!p.isSet(option))
        return fallback;
    bool ok = false;
    const int v = p.value(option).toInt(&ok);
    if (!ok || v < min)
        throw std::invalid_argument(QStringLiteral("--%1 needs a whole number of at least %2, not \"%3\"")
                                        .arg(option.names().first())
                                        .arg(min)
                                        .arg(p.value(option))
                                        .toStdString());
    return v;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("talvo-sim"));
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("A simulated Talvo meter. Opens a pseudo-terminal, prints its device path as the first line,\n"
                       "and answers the meter's commands until SIGINT or SIGTERM."));
    p.addHelpOption();
    const QCommandLineOption state({QStringLiteral("state")},
                                   QStringLiteral("Meter state (JSON); default: the demo meter."),
                                   QStringLiteral("file"));
    const QCommandLineOption save({QStringLiteral("save")},
                                  QStringLiteral("Write the state back to --state when stopped."));
    const QCommandLineOption firmware({QStringLiteral("firmware")},
                                      QStringLiteral("Firmware version, e.g. 2.06S01 or V2.07."),
                                      QStringLiteral("version"));
    const QCommandLineOption err1({QStringLiteral("err1")},
                                  QStringLiteral("Answer \"ERR 1\" to get and set of settings 24 and 29."));
    const QCommandLineOption delError({QStringLiteral("del-error")},
                                      QStringLiteral("Refuse every deletion with this error code."),
                                      QStringLiteral("code"));
    const QCommandLineOption silent({QStringLiteral("silent")}, QStringLiteral("Never answer."));
    const QCommandLineOption late({QStringLiteral("late")}, QStringLiteral("Answer this many ms late."),
                                  QStringLiteral("ms"));
    const QCommandLineOption lateCommand({QStringLiteral("late-command")},
                                         QStringLiteral("Only this command is late (e.g. \"GET READING\")."),
                                         QStringLiteral("words"));
    const QCommandLineOption lateFor({QStringLiteral("late-for")},
                                     QStringLiteral("This command answers this many ms late, e.g. \"GET BATCH=1300\"; "
                                                    "may be given for several commands."),
                                     QStringLiteral("words=ms"));
    const QCommandLineOption oneAtATime({QStringLiteral("one-at-a-time")},
                                        QStringLiteral("Take one command at a time: a command that arrives before the "
                                                       "reply to the one before has gone out waits, and is late from "
                                                       "then on."));
    const QCommandLineOption readingField(
        {QStringLiteral("reading-field")},
        QStringLiteral("What the unused field of the \"GET READING\" reply holds: id (the batch ID), zero or slot "
                       "(the batch's slot index); default id."),
        QStringLiteral("id|zero|slot"));
    const QCommandLineOption refuse({QStringLiteral("refuse")},
                                    QStringLiteral("Answer with this refusal: ERR, P? or C?."),
                                    QStringLiteral("reply"));
    const QCommandLineOption refuseCommand({QStringLiteral("refuse-command")},
                                           QStringLiteral("Only this command is refused."), QStringLiteral("words"));
    const QCommandLineOption wrongCount({QStringLiteral("wrong-count")},
                                        QStringLiteral("This command's reply gets one parameter too many."),
                                        QStringLiteral("words"));
    const QCommandLineOption shortCount({QStringLiteral("short-count")},
                                        QStringLiteral("This command's reply lacks its last parameter."),
                                        QStringLiteral("words"));
    const QCommandLineOption garbage({QStringLiteral("garbage")},
                                     QStringLiteral("Random bytes between frames before each reply."),
                                     QStringLiteral("n"));
    const QCommandLineOption split({QStringLiteral("split")}, QStringLiteral("Write each reply in pieces of n bytes."),
                                   QStringLiteral("n"));
    const QCommandLineOption dropAfter({QStringLiteral("drop-after")},
                                       QStringLiteral("After n commands the line goes away (the device disappears)."),
                                       QStringLiteral("n"));
    const QCommandLineOption chaos({QStringLiteral("chaos")},
                                   QStringLiteral("Random faults: each reply, with a chance of PERCENT, gets one of "
                                                  "garbage, split, late, dropped (for 1 to 4 commands) or refused; "
                                                  "the same SEED gives the same faults. The log marks each."),
                                   QStringLiteral("seed:percent"));
    const QCommandLineOption chaosLate({QStringLiteral("chaos-late")},
                                       QStringLiteral("The longest a random late reply waits, ms; default 1000."),
                                       QStringLiteral("ms"));
    const QCommandLineOption pace({QStringLiteral("pace")},
                                  QStringLiteral("Pace every byte at the line speed, 10 bits a byte "
                                                 "(\"--pace RATE\" is short for \"--pace --baud RATE\")."));
    const QCommandLineOption baud({QStringLiteral("baud")}, QStringLiteral("Line speed for --pace; default 38400."),
                                  QStringLiteral("rate"));
    const QCommandLineOption log({QStringLiteral("log")},
                                 QStringLiteral("Write every command received to this file, one a line."),
                                 QStringLiteral("file"));
    p.addOptions({state,   save,       firmware,     err1,      delError,      silent,     late,       lateCommand,
                  lateFor, oneAtATime, readingField, refuse,    refuseCommand, wrongCount, shortCount, garbage,
                  split,   dropAfter,  chaos,        chaosLate, pace,          baud,       log});
    p.process(WithPaceRate(QCoreApplication::arguments()));
    if (p.isSet(save) && !p.isSet(state))
        return Fail(QStringLiteral("--save needs --state FILE to write to"));
    static const QStringList refusals{QStringLiteral("ERR"), QStringLiteral("P?"), QStringLiteral("C?")};
    if (p.isSet(refuse) && !refusals.contains(p.value(refuse)))
        return Fail(QStringLiteral("--refuse takes ERR, P? or C?"));

    MeterState meterState = MeterState::Demo();
    if (p.isSet(state)) {
        QFile f(p.value(state));
        if (!f.open(QIODevice::ReadOnly))
            return Fail(QStringLiteral("cannot read ") + f.fileName());
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &error);
        if (!doc.isObject())
            return Fail(f.fileName() + QStringLiteral(": ") + error.errorString());
        try {
            meterState = MeterState::FromJson(doc.object());
        } catch (const std::exception &e) {
            return Fail(f.fileName() + QStringLiteral(": ") + QString::fromUtf8(e.what()));
        }
    }
    if (p.isSet(firmware))
        meterState.Firmware = p.value(firmware);

    MeterOptions options;
    Faults faults;
    try {
        options.Err1 = p.isSet(err1);
        options.DelError = IntOption(p, delError, 0, 0);
        faults.Silent = p.isSet(silent);
        if (p.isSet(late))
            faults.Late.append({p.value(lateCommand), IntOption(p, late, 0, 0)});
        for (const QString &entry : p.values(lateFor)) {
            const qsizetype equals = entry.lastIndexOf(QLatin1Char('='));
            bool ok = false;
            const int ms = entry.mid(equals + 1).toInt(&ok);
            if (equals <= 0 || !ok || ms < 0)
                throw std::invalid_argument(
                    QStringLiteral("--late-for needs WORDS=MS, not \"%1\"").arg(entry).toStdString());
            faults.Late.append({entry.left(equals), ms});
        }
        faults.OneAtATime = p.isSet(oneAtATime);
        static const QStringList fields{QStringLiteral("id"), QStringLiteral("zero"), QStringLiteral("slot")};
        if (p.isSet(readingField) && !fields.contains(p.value(readingField)))
            throw std::invalid_argument("--reading-field takes id, zero or slot");
        options.ReadingFieldHolds =
            static_cast<MeterOptions::ReadingField>(qMax<qsizetype>(0, fields.indexOf(p.value(readingField))));
        faults.Refuse = p.value(refuse);
        faults.RefuseCommand = p.value(refuseCommand);
        faults.WrongCount = p.value(wrongCount);
        faults.ShortCount = p.value(shortCount);
        faults.Garbage = IntOption(p, garbage, 0, 0);
        faults.Split = IntOption(p, split, 1, 0);
        faults.DropAfter = IntOption(p, dropAfter, 0, -1);
        if (p.isSet(chaos)) {
            static const QRegularExpression form(QStringLiteral("^(\\d+):(\\d+)$"));
            const QRegularExpressionMatch m = form.match(p.value(chaos));
            bool seedOk = false;
            faults.ChaosSeed = m.captured(1).toUInt(&seedOk);
            faults.ChaosPercent = m.captured(2).toInt();
            if (!m.hasMatch() || !seedOk || faults.ChaosPercent < 1 || faults.ChaosPercent > 100)
                throw std::invalid_argument(
                    QStringLiteral("--chaos needs SEED:PERCENT, a whole number and 1 to 100, not \"%1\"")
                        .arg(p.value(chaos))
                        .toStdString());
        }
        faults.ChaosLateMs = IntOption(p, chaosLate, 1, 1000);
        const int rate = IntOption(p, baud, 1, 38400);
        faults.Baud = p.isSet(pace) ? rate : 0;
    } catch (const std::invalid_argument &e) {
        return Fail(QString::fromStdString(e.what()));
    }

    Meter meter(meterState, options);
    Server server(meter, faults, p.value(log));
    const QString path = server.Open();
    if (path.isEmpty() || !server.Error().isEmpty())
        return Fail(server.Error());
    std::printf("%s\n", qPrintable(path));
    std::fflush(stdout);
    server.Run();

    if (p.isSet(save)) {
        QSaveFile out(p.value(state));
        if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(meter.State().ToJson()).toJson()) < 0 ||
            !out.commit())
            return Fail(QStringLiteral("cannot write ") + p.value(state));
    }
    return 0;
}
