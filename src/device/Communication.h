#pragma once
// The one object through which the application talks to the meter: the command exchange, the
// meter connection, batch transfer, and the meter's information and settings. Every operation
// raises Error with the system's message on failure; the link below never raises.

#include "device/CommandTable.h"
#include "link/MPDataLink.h"
#include "model/Batches.h"
#include "model/DeviceInfo.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class Prompts;

class TdmCommunication : public QObject {
    Q_OBJECT
public:
    // Without a factory the link uses the system's serial ports.
    explicit TdmCommunication(Prompts &prompts, QObject *parent = nullptr, TSerialDriverFactory factory = {});
    ~TdmCommunication() override;

    // Command exchange.
    QString SendCommand(const QString &command);

    // Meter connection.
    bool Connect(bool checkClock);
    void Disconnect();
    void SetPreferredPort(qint32 port);
    qint32 PreferredPort() const { return FPreferredPort; }
    bool Connected() const { return FConnected; }
    // The meter's clock minus the computer's at the last clock check, ms.
    qint64 ClockDifference() const { return FClockDifference; }
    TDateTime GetDeviceTime();
    void SetDeviceTime(TDateTime value);

    // Batch transfer.
    void ReadBatches(TBatches &batches);
    void ReadBatchReadings(TBatch &batch);
    void NewBatch(const QString &name, qint32 maxReadings, TDateTime createdAt, qint32 &batchId);
    void DeleteBatch(qint32 batchId);

    // Device information and settings.
    std::unique_ptr<TDeviceInfo> ReadDeviceInfo();
    TCellConstants ReadCellConstants();
    double GetG25();
    void SetG25(double value);
    double GetAlpha();
    void SetAlpha(double value);
    quint8 GetDeionizedWater();
    void SetDeionizedWater(quint8 value);
    double GetAutoTempComp();
    void SetAutoTempComp(double value);
    double GetBresleOffset();
    QString GetPassword();
    bool SetPassword(const QString &text);

    TMPDataLink &DataLink() { return *FDataLink; }
    // How long one transmission of "NEW BATCH" would wait for its reply, ms (10000).
    void SetNewBatchTimeOut(quint32 ms) { FNewBatchTimeOut = ms; }
    QTimer &ConnectTimeOutTimer() { return FConnectTimeOut; }

signals:
    void OnConnecting();
    void OnConnected();
    void OnDisconnected();
    void OnStatus(const QString &msg);
    void OnStatusClear();
    void OnProgressStart(int max);
    void OnProgress(int step);
    void OnProgressEnd();
    void OnDeviceInfo(const TDeviceInfo &info);

private:
    void OnLinkDataConf(const QString &data);
    void OnLinkError(int error);
    void OnLinkFrameError(int error);
    void OnLinkDiscarded(const QString &data);
    void ReplyCame(qsizetype owed);
    // Makes sure no reply the meter still owes can be taken for the answer to `next`.
    void BringInStep(const QString &next);
    // The exchange of SendCommand, with at most `transmissions` transmissions, once the line is in
    // step; `timeOut`, when not 0, is this command's response time.
    QString Exchange(const QString &command, int transmissions, quint32 timeOut = 0);
    // The transmissions of one command, to its first reply; a reply still owed after it is waited
    // for `owedFor` ms after the last transmission before the next command.
    QString Transmit(const QString &command, int transmissions, quint32 owedFor);
    // The exchange of a command that changes the meter: when it fails in a way that does not prove
    // the meter left it undone (no reply, a reply of the wrong form), the message adds `hint`.
    QStringList Change(const QString &hint, const std::function<QStringList()> &query);
    bool Identify();
    void CheckClock();
    void EnsureConnected();
    // One command of the table, sent and waited for as its time-out class says; the reply.
    QString Send(TCommand id, const QStringList &args);
    // The same, the reply split into its parameters, unchecked.
    QStringList Ask(TCommand id, const QStringList &args = {});
    // The same, the reply of exactly the number of parameters of its row, else the row's failure.
    QStringList Query(TCommand id, const QStringList &args = {});
    static bool Fits(TCommand id, const QStringList &params);
    [[noreturn]] static void WrongCount(TCommand id);
    QString ReadConfig(int index);
    // "SET CONFIG index value", answered with the index and the value.
    void SetConfig(int index, const QString &value);
    // The same for a setting that an older meter does not keep and answers "ERR 1"; the reply.
    QStringList SetConfigOrErr1(int index, const QString &value);

    // How many times SendCommand transmits a command that is not answered.
    static constexpr int Attempts = 3;

    Prompts &FPrompts;
    std::unique_ptr<TMPDataLink> FDataLink;
    QTimer FConnectTimeOut; // tmrConnectTimeOut
    bool FResponseReceived = false;
    bool FErrorReported = false;
    bool FConnectTimedOut = false;
    bool FInExchange = false;
    // The command being transmitted; the transmissions whose replies the meter still owes, in the
    // order they went out, and until when they are waited for.
    QString FCommand;
    struct TOwed {
        QString Command;
        bool Barrier;
    };
    QList<TOwed> FOwed;
    QDeadlineTimer FOwedUntil;
    bool FBarrierAnswered = false;
    // Of the last exchange: how many times the command went out, and whether the meter refused it.
    int FSent = 0;
    bool FRefused = false;
    // The device went away; until a port opens again nothing can come.
    bool FLinkLost = false;
    // Frames received, taken or not: whether a meter that owes replies is there at all.
    int FFramesHeard = 0;
    QString FLastResponse;
    QString FLastError;
    bool FConnected = false;
    qint64 FClockDifference = 0;
    quint32 FNewBatchTimeOut = 10000;
    qint32 FPreferredPort = -1;
    quint8 FDeionizedWater = 2;
    double FAutoTempComp = 0.02;
};

// Numbers on the wire always use '.', whatever the user's settings.
double ParseDeviceFloat(const QString &text);
QString FormatDeviceFloat(double value);
// "V%d.%.2d" of the high and the low byte: 517 gives V2.05.
QString FormatConfigVersion(quint16 number);

// The fixed texts of the link's error codes.
QString DataLinkErrorText(int code);
QString FrameErrorText(int code);
