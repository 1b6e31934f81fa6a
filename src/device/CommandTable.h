#pragma once
// The meter's command language in one place: each command's words and arguments, the form of its
// reply, which arguments the reply repeats and how long it is waited for; and the meter's settings
// ("GET CONFIG", "SET CONFIG") with the form of their values. The operations of TdmCommunication
// build their commands from it, the reply matching checks replies against it, and talvo-sim parses
// commands with it. A command that is not here is not sent by any operation.

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

enum class TCommand {
    GetVersion,
    GetRtc,
    GetServolt,
    GetMaxNrOfB,
    SetRtc,
    GetBatch,
    GetReading,
    NewBatch,
    DelBatch,
    GetConfig,
    SetConfig,
    GetC,
};

// How an argument is written on the wire.
enum class TArgForm {
    Integer, // decimal digits, an optional sign
    Text,    // in double quotes, not escaped
    Value,   // a setting's value as the setting takes it (see TSettingForm)
};

// How long a command is waited for.
enum class TTimeOutClass {
    Resent,      // each transmission the response time (500 ms); sent up to three times
    Once,        // a change of the batch list: sent once, given the time of three transmissions
    OnceNewBatch // as Once, with three times the time-out of "NEW BATCH" (10 s)
};

struct TArgSpec {
    const char *Name;
    TArgForm Form;
};

struct TCommandSpec {
    TCommand Id;
    const char *Words; // the two command words, which every reply repeats as parameters 0 and 1
    QList<TArgSpec> Args;
    qsizetype ReplyCount; // the number of parameters of a reply of the documented form
    // The arguments the reply repeats, each at its own place (parameter 2 + the argument's index).
    // Nothing else of a reply is relied on to tell which command it answers.
    QList<qsizetype> Echoed;
    TTimeOutClass TimeOut;
    bool Changes;               // changes what the meter holds
    const char *WrongCountText; // the failure for a reply of another number of parameters
};

// The rows, in the order the barrier of the exchange tries the questions without arguments.
const QList<TCommandSpec> &MeterCommands();
const TCommandSpec &CommandSpec(TCommand id);
// The row whose words begin the command line (any letter case), if any.
const TCommandSpec *FindCommand(const QString &line);

// A command line of the table: its words and the arguments, each written in its form.
QString CommandLine(TCommand id, const QStringList &args = {});
// Words separated by blanks; a double-quoted text is one word, without its quotes.
QStringList CommandWords(const QString &line);
// The arguments of a command line of the table, when there are as many as its row has and each is
// of its form; "NEW BATCH \"name\" 86400 50" gives name, 86400 and 50.
std::optional<QStringList> ParseArguments(const TCommandSpec &spec, const QString &line);

// The meter's settings that this system reads or writes, by their index.
enum class TSettingForm {
    Digit,   // one decimal digit
    Integer, // a decimal integer
    Number,  // a decimal number with "." as decimal separator
    Text,    // any text; quoted in a reply when it holds a separator
};

struct TSettingSpec {
    int Index;
    TSettingForm Form;
    bool Err1;          // an older meter does not keep it and answers get and set with "ERR 1"
    bool NewerFirmware; // only meters of the newer firmware have it
};

namespace Setting {
constexpr int ConfigVersion = 0;
constexpr int Alpha = 9;
constexpr int G25 = 10;
constexpr int PasswordFirst = 12; // the four password digits are 12 to 15
constexpr int PasswordLast = 15;
constexpr int SerialNumber = 16;
constexpr int ServiceDate = 17;
constexpr int KpropMeter = 18;
constexpr int GClean = 19;
constexpr int KpropFactory = 22;
constexpr int AutoTempComp = 24;
constexpr int NrOfReadingsTaken = 25;
constexpr int ReadingsSinceLastService = 26;
constexpr int ReadingsSinceLastVal = 27;
constexpr int ValidationDate = 28;
constexpr int DeionizedWater = 29;
constexpr int BresleOffset = 30;
} // namespace Setting

// Adding a setting: a constant above, a row here, and the operation that reads or writes it.
inline constexpr TSettingSpec SettingTable[] = {
    {Setting::ConfigVersion, TSettingForm::Integer, false, false}, // configuration version
    {Setting::Alpha, TSettingForm::Number, false, false},          // temperature coefficient of the validation fluid
    {Setting::G25, TSettingForm::Number, false, false},            // conductivity of the validation fluid
    {Setting::PasswordFirst, TSettingForm::Digit, false, false},   // password digit 1
    {13, TSettingForm::Digit, false, false},                       // password digit 2
    {14, TSettingForm::Digit, false, false},                       // password digit 3
    {Setting::PasswordLast, TSettingForm::Digit, false, false},    // password digit 4
    {Setting::SerialNumber, TSettingForm::Text, false, false},     // serial number
    {Setting::ServiceDate, TSettingForm::Integer, false, false},   // date of the last service
    {Setting::KpropMeter, TSettingForm::Number, false, false},     // Kprop of the meter
    {Setting::GClean, TSettingForm::Number, false, false},         // maximum clean conductivity
    {Setting::KpropFactory, TSettingForm::Number, false, false},   // factory Kprop
    {Setting::AutoTempComp, TSettingForm::Integer, true, false},   // compensation factor
    {Setting::NrOfReadingsTaken, TSettingForm::Integer, false, false},        // total number of readings taken
    {Setting::ReadingsSinceLastService, TSettingForm::Integer, false, false}, // readings since the last service
    {Setting::ReadingsSinceLastVal, TSettingForm::Integer, false, false},     // readings since the last validation
    {Setting::ValidationDate, TSettingForm::Integer, false, false},           // date of the last validation
    {Setting::DeionizedWater, TSettingForm::Integer, true, false},            // conductivity of deionized water
    {Setting::BresleOffset, TSettingForm::Number, false, true},               // Bresle offset
};

constexpr const TSettingSpec *FindSetting(int index)
{
    for (const TSettingSpec &s : SettingTable)
        if (s.Index == index)
            return &s;
    return nullptr;
}
