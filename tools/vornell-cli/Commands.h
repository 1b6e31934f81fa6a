#pragma once
// The commands of vornell-cli, each the same core code the application runs, with options in place of
// the dialogs. Each returns the exit status: 0 success, 1 a verified file failed its check, 2 error.

#include "model/Errors.h"

#include <QStringList>

class CliPrompts;
class CliStatus;
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

int PortsCommand(CliContext &c);
int InfoCommand(CliContext &c);
int ListCommand(CliContext &c);
int ExportCommand(CliContext &c);
int VerifyCommand(CliContext &c);
int ShowCommand(CliContext &c);
int ClockCommand(CliContext &c);
int SettingsCommand(CliContext &c);
int NewBatchCommand(CliContext &c);
int DeleteBatchCommand(CliContext &c);
