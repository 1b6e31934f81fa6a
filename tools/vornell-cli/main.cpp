// vornell-cli: the operations of Vornell without windows, for scripts and archive checks.
#include "CliPrompts.h"
#include "CliStatus.h"
#include "Commands.h"
#include "device/Communication.h"
#include "model/Errors.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

namespace {

struct Command {
    int (*Run)(CliContext &);
    const char *Usage;
    const char *Help;
};

const std::map<QString, Command> &CommandTable()
{
    static const std::map<QString, Command> table = {
        {QStringLiteral("ports"),
         {PortsCommand, "ports", "One line per existing serial port: its name and device path."}},
        {QStringLiteral("info"),
         {InfoCommand, "[port] info", "The meter's information, one 'Label: value' line each."}},
        {QStringLiteral("list"),
         {ListCommand, "[port] list", "One line per batch: ID, name, created, maximum, readings."}},
        {QStringLiteral("export"),
         {ExportCommand, "[port] export (--all | --batch ID ...) [--separate --format CSV|XLS] FILE",
          "Saves batches exactly as the application does: one batch to FILE, several into one FILE, or with\n"
          "--separate one file each in the folder FILE. A name ending in .csv (any case) is text."}},
        {QStringLiteral("verify"),
         {VerifyCommand, "verify FILE...",
          "Imports each file and prints file, batch, and Passed, Failed or Code not available. A file that\n"
          "cannot be read or holds no batch, and a section that ends before its batch is complete, are\n"
          "reported on standard error. Exit status: 0 every batch of every file passed, 1 any did not or a\n"
          "section was incomplete, 2 any file could not be read (after all were tried)."}},
        {QStringLiteral("show"),
         {ShowCommand, "show FILE...",
          "Prints every batch of each file as the batch window shows it after an import: file, batch and\n"
          "check result, the header items, then one comma-separated line per reading. Reports and exit\n"
          "status as verify."}},
        {QStringLiteral("report"),
         {ReportCommand, "report [--limit MG] --output OUT.pdf FILE...",
          "Verifies the files as verify does and writes one inspection report of all their batches as a PDF\n"
          "file: identity, settings, check result, statistics, chart and readings of each batch. --limit sets\n"
          "the acceptance limit in mg/m²: readings above it are marked and counted."}},
        {QStringLiteral("clock"),
         {ClockCommand, "[port] clock [--set now | --set \"YYYY-MM-DD hh:mm:ss\"]",
          "Shows, or sets, the meter's clock."}},
        {QStringLiteral("settings"),
         {SettingsCommand, "[port] settings [--g25 V] [--alpha V] [--water V] [--comp V]",
          "Shows, or writes, the measurement settings: validation fluid conductivity (µS/cm) and temperature\n"
          "coefficient (%/°C), deionized water conductivity (µS/cm), compensation factor (%/°C)."}},
        {QStringLiteral("new-batch"),
         {NewBatchCommand, "[port] new-batch NAME MAX", "Creates a batch in the meter; prints its ID."}},
        {QStringLiteral("delete-batch"),
         {DeleteBatchCommand, "[port] delete-batch ID", "Deletes a batch in the meter."}},
    };
    return table;
}

void Usage(FILE *to)
{
    std::fprintf(to, "usage: vornell-cli [--port N | --device PATH] [--sync-clock] COMMAND [ARGS]\n\n"
                     "  --port N       try serial port COM N first\n"
                     "  --device PATH  use this device (for example a pseudo-terminal of talvo-sim) as the only port\n"
                     "  --sync-clock   set the meter's clock when it is more than 5 minutes off\n\nCommands:\n");
    for (const auto &[name, c] : CommandTable())
        std::fprintf(to, "  vornell-cli %s\n", c.Usage);
    std::fprintf(
        to, "\n'vornell-cli COMMAND --help' tells more. Exit status: 0 success, 1 a file failed its check, 2 error.\n");
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
    QStringList args = QCoreApplication::arguments().mid(1);
    CliPrompts prompts;
    std::optional<int> port;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--help")) {
            Usage(stdout);
            return 0;
        }
        if (option == QLatin1String("--sync-clock")) {
            prompts.SyncClock = true;
        } else if ((option == QLatin1String("--port") || option == QLatin1String("--device")) && !args.isEmpty()) {
            const QString value = args.takeFirst();
            if (option == QLatin1String("--port")) {
                bool ok = false;
                port = value.toInt(&ok);
                if (!ok) {
                    std::fprintf(stderr, "vornell-cli: --port takes a number\n");
                    return 2;
                }
            } else {
                qputenv("VORNELL_SERIAL_PORTS", value.toLocal8Bit());
                qputenv("VORNELL_SYSTEM_PORTS", "0");
            }
        } else {
            Usage(stderr);
            return 2;
        }
    }
    const auto command = args.isEmpty() ? CommandTable().end() : CommandTable().find(args.first());
    if (command == CommandTable().end()) {
        Usage(stderr);
        return 2;
    }
    args.removeFirst();
    if (args.contains(QStringLiteral("--help"))) {
        std::printf("usage: vornell-cli %s\n\n%s\n", command->second.Usage, command->second.Help);
        return 0;
    }
    try {
        TdmCommunication comm(prompts);
        if (port)
            comm.SetPreferredPort(*port);
        CliStatus status(comm);
        CliContext context{comm, prompts, status, args};
        const int result = command->second.Run(context);
        comm.Disconnect();
        return result;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "\n%s\n", qPrintable(MessageOf(e).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
        return 2;
    }
}
