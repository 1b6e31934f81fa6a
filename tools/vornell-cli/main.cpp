// vornell-cli: the operations of Vornell without windows, for scripts and archive checks.
#include "CliPrompts.h"
#include "CliStatus.h"
#include "Commands.h"
#include "device/Communication.h"
#include "model/Errors.h"
#include "model/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

namespace {

struct Command {
    int (*Run)(CliContext &);
    bool Meter; // talks to the meter: takes the connection options
    const char *Usage;
    const char *Help;
};

const std::map<QString, Command> &CommandTable()
{
    static const std::map<QString, Command> table = {
        {QStringLiteral("ports"),
         {PortsCommand, false, "ports", "One line per existing serial port: its name and device path."}},
        {QStringLiteral("info"), {InfoCommand, true, "info", "The meter's information, one 'Label: value' line each."}},
        {QStringLiteral("list"),
         {ListCommand, true, "list",
          "One line per batch: ID, name, created, maximum, readings. When reading fails, the batches read\n"
          "before are listed and the error follows."}},
        {QStringLiteral("export"),
         {ExportCommand, true, "export (--all | --batch ID ...) [--separate] [--format CSV|XLS] FILE",
          "Saves batches exactly as the application does: one batch to FILE, several into one FILE, or with\n"
          "--separate one file each in the folder FILE. A name ending in .csv (any case) is text."}},
        {QStringLiteral("verify"),
         {VerifyCommand, false, "verify FILE...",
          "Imports each file and prints file, batch, and Passed, Failed or Code not available. A file that\n"
          "cannot be read or holds no batch, and a section that ends before its batch is complete, are\n"
          "reported on standard error. Exit status: 0 every batch of every file passed, 1 any did not or a\n"
          "section was incomplete, 2 any file could not be read (after all were tried)."}},
        {QStringLiteral("show"),
         {ShowCommand, false, "show FILE...",
          "Prints every batch of each file as the batch window shows it after an import: file, batch and\n"
          "check result, the header items, then one comma-separated line per reading. Reports and exit\n"
          "status as verify."}},
        {QStringLiteral("report"),
         {ReportCommand, false, "report [--limit MG] --output OUT.pdf FILE...",
          "Verifies the files as verify does and writes one inspection report of all their batches as a PDF\n"
          "file: identity, settings, check result, statistics, chart and readings of each batch; its first\n"
          "page lists the files and what was left out. --limit sets the acceptance limit in mg/m², a whole\n"
          "number from 1 to 9999: readings above it are marked and counted. OUT.pdf may not be one of the\n"
          "files, under any name or through a link."}},
        {QStringLiteral("clock"),
         {ClockCommand, true, "clock [--set now | --set \"YYYY-MM-DD hh:mm:ss\"]",
          "Shows, or sets, the meter's clock."}},
        {QStringLiteral("settings"),
         {SettingsCommand, true, "settings [--g25 V] [--alpha V] [--water V] [--comp V]",
          "Shows, or writes, the measurement settings: validation fluid conductivity (µS/cm) and temperature\n"
          "coefficient (%/°C), deionized water conductivity (µS/cm), compensation factor (%/°C)."}},
        {QStringLiteral("new-batch"),
         {NewBatchCommand, true, "new-batch NAME MAX",
          "Creates a batch in the meter; prints its ID. When the meter does not answer, read the batches\n"
          "again (list) to see whether it was created: the command is not sent twice."}},
        {QStringLiteral("delete-batch"),
         {DeleteBatchCommand, true, "delete-batch ID",
          "Deletes a batch in the meter. When the meter does not answer, read the batches again (list) to\n"
          "see whether it was deleted: the command is not sent twice."}},
    };
    return table;
}

QString UsageLine(const Command &c)
{
    return QStringLiteral("vornell-cli ") +
           (c.Meter ? QStringLiteral("[--port N | --device PATH] [--sync-clock] ") : QString()) +
           QString::fromUtf8(c.Usage);
}

void Usage(FILE *to)
{
    std::fprintf(to, "usage: vornell-cli [--port N | --device PATH] [--sync-clock] COMMAND [ARGS]\n\n"
                     "  --port N       try serial port COM N first (otherwise the port on which the meter last\n"
                     "                 answered)\n"
                     "  --device PATH  use this device (for example a pseudo-terminal of talvo-sim) as the only port\n"
                     "  --sync-clock   set the meter's clock when it is more than 5 minutes off\n\nCommands:\n");
    for (const auto &[name, c] : CommandTable())
        std::fprintf(to, "  %s\n", c.Usage);
    std::fprintf(
        to, "\n'vornell-cli COMMAND --help' tells more. Exit status: 0 success, 1 a file failed its check, 2 error.\n");
}

int UsageFailure(const QString &problem)
{
    std::fprintf(stderr, "vornell-cli: %s\n", qPrintable(problem));
    Usage(stderr);
    return 2;
}

void PrintError(const std::exception &e)
{
    std::fprintf(stderr, "\n%s\n", qPrintable(MessageOf(e).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
}

// The application's settings file, beside the application or in the user's configuration folder.
TSettingsPlace ApplicationSettings()
{
    return SettingsPlaceFor(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vornell")));
}

// The report paints its pages with the GUI's fonts but needs no window: it runs on the offscreen
// platform unless one is chosen. Every other command runs without the GUI.
std::unique_ptr<QCoreApplication> MakeApplication(int &argc, char *argv[])
{
    const auto command = std::find_if(
        argv + 1, argv + argc, [](const char *a) { return CommandTable().count(QString::fromLocal8Bit(a)) > 0; });
    if (command == argv + argc || std::strcmp(*command, "report") != 0)
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int main(int argc, char *argv[])
{
    const auto app = MakeApplication(argc, argv);
    // The application's name, so that its configuration folder is the application's.
    QCoreApplication::setApplicationName(QStringLiteral("Vornell"));
    QStringList args = QCoreApplication::arguments().mid(1);
    CliPrompts prompts;
    std::optional<int> port;
    bool device = false;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--help")) {
            Usage(stdout);
            return 0;
        }
        if (option == QLatin1String("--sync-clock")) {
            prompts.SyncClock = true;
        } else if (option == QLatin1String("--port") || option == QLatin1String("--device")) {
            if (args.isEmpty())
                return UsageFailure(option + QStringLiteral(" needs a value"));
            const QString value = args.takeFirst();
            if (option == QLatin1String("--port")) {
                bool ok = false;
                port = value.toInt(&ok);
                if (!ok)
                    return UsageFailure(QStringLiteral("--port takes a number"));
            } else {
                device = true;
                qputenv("VORNELL_SERIAL_PORTS", value.toLocal8Bit());
                qputenv("VORNELL_SYSTEM_PORTS", "0");
            }
        } else {
            return UsageFailure(QStringLiteral("unknown option ") + option);
        }
    }
    if (args.isEmpty())
        return UsageFailure(QStringLiteral("no command"));
    const auto command = CommandTable().find(args.first());
    if (command == CommandTable().end())
        return UsageFailure(QStringLiteral("unknown command ") + args.first());
    args.removeFirst();
    if (args.contains(QStringLiteral("--help"))) {
        std::printf("usage: %s\n\n%s\n", qPrintable(UsageLine(command->second)), command->second.Help);
        return 0;
    }

    // The port on which the meter last answered is tried first, as the application does; a device
    // named on the command line is no port of this computer and is not remembered.
    const TSettingsPlace place = ApplicationSettings();
    const qint32 lastPort = device ? -1 : LoadSettings(place.File, place.DefaultFolder).LastPort;
    TdmCommunication comm(prompts);
    comm.SetPreferredPort(port.value_or(lastPort));
    prompts.ClockDifference = [&comm] { return comm.ClockDifference(); };
    bool answered = false;
    QObject::connect(&comm, &TdmCommunication::OnConnected, [&answered] { answered = true; });
    CliStatus status(comm);
    CliContext context{comm, prompts, status, args};
    int result = 2;
    try {
        result = command->second.Run(context);
    } catch (const UsageError &e) {
        std::fprintf(stderr, "vornell-cli: %s\nusage: %s\n", qPrintable(e.message()),
                     qPrintable(UsageLine(command->second)));
        return 2;
    } catch (const std::exception &e) {
        PrintError(e);
    }
    comm.Disconnect();
    if (!device && answered && comm.PreferredPort() != lastPort) {
        try {
            TAppSettings settings = LoadSettings(place.File, place.DefaultFolder);
            settings.LastPort = comm.PreferredPort();
            SaveSettings(place.File, settings);
        } catch (const std::exception &e) {
            PrintError(e);
        }
    }
    return result;
}
