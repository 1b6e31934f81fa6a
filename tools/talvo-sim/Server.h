#pragma once
// The simulator's line: a pseudo-terminal in raw mode, commands framed as "/" text CR LF in,
// replies framed the same way out, with the faults applied and every byte paced if asked.

#include "Chaos.h"
#include "Faults.h"
#include "Meter.h"

#include <QFile>
#include <QString>
#include <deque>

class Server {
public:
    Server(Meter &meter, Faults faults, const QString &logFile);
    ~Server();

    // The slave device path, or an empty text with the reason in Error().
    QString Open();
    QString Error() const { return FError; }
    // Serves until SIGINT or SIGTERM, or until the line is dropped.
    void Run();

private:
    void OnByte(char b);
    void OnCommand(const QString &command);
    void Queue(const QByteArray &bytes, qint64 startNs, qint64 stepNs);
    void Log(const QString &line);

    Meter &FMeter;
    Faults FFaults;
    QFile FLog;
    QString FError;
    int FMaster = -1;
    int FSlave = -1; // held open so that the line does not hang up between the application's opens
    QByteArray FRx;
    bool FInFrame = false;
    int FCommands = 0;
    bool FDropped = false;
    qint64 FRxFreeNs = 0;    // when the receiving side of the paced line is free again
    qint64 FTxFreeNs = 0;    // when the sending side is free again
    qint64 FMeterFreeNs = 0; // one command at a time: when the meter may take the next
    struct Pending {
        qint64 DueNs;
        char Byte;
    };
    std::deque<Pending> FOut; // bytes still to send, in order; long replies queue thousands
    quint32 FRandom = 12345;
    Chaos FChaos;
};
