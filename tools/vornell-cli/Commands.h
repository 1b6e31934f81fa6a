#pragma once
// The commands of vornell-cli, each the same core code the application runs, with options in place of
// the dialogs. Each returns the exit status: 0 success, 1 a verified file failed its check, 2 error.

#include "model/Errors.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class CliPrompts;
class CliStatus;
class TBatches;
class TDeviceInfo;
class TdmCommunication;

struct CliContext {
    TdmCommunication &Comm;
    CliPrompts &Prompts;
    CliStatus &Status;
    QStringList Args; // the command's own arguments and options
};

// The arguments do not follow the command's syntax: the message says what is wrong, and the
// command's usage follows it.
class UsageError : public Error {
public:
    using Error::Error;
};

// One line on standard output.
void Out(const QString &line);
// The value after an option, removed from the arguments with it.
std::optional<QString> TakeOption(QStringList &args, const QString &name);
// The same for an option that may be given once: a second one is a usage error.
std::optional<QString> TakeSingleOption(QStringList &args, const QString &name);

// What became of one file named on the command line.
struct TImportedFile {
    QString File;
    bool Read = false;
    QString Problem;         // why it could not be read
    QString ConventionsNote; // how it was read, when not with the user's conventions
    QStringList Incomplete;  // the sections left out
};

// Imports each file named by the arguments (an option among them, or none, is a usage error) as the
// application does and hands its batches, each with its own device record, to step, which may keep
// them. A file that cannot be read, or holds no batch, is reported and the run goes on with the next;
// a file read with conventions other than the user's says so on standard error. The exit status: 0
// when every batch of every file passed its check, 1 when any did not or a section ended before its
// batch was complete, 2 when any file could not be read. files, when given, receives every file's fate.
using TImportedFileStep = std::function<void(const QString &file, TBatches &batches)>;
int ForEachImportedFile(CliContext &c, const TImportedFileStep &step, QList<TImportedFile> *files = nullptr);
// One line per batch: file, batch name and check result.
void PrintCheckResults(const QString &file, const TBatches &batches);

int PortsCommand(CliContext &c);
int InfoCommand(CliContext &c);
int ListCommand(CliContext &c);
int ExportCommand(CliContext &c);
int VerifyCommand(CliContext &c);
int ShowCommand(CliContext &c);
int ReportCommand(CliContext &c);
int ClockCommand(CliContext &c);
int SettingsCommand(CliContext &c);
int NewBatchCommand(CliContext &c);
int DeleteBatchCommand(CliContext &c);
