#pragma once
// The meter's command language, seen from the meter: one command text in, one reply text out,
// with the state changed as the command says. Commands are parsed by the application's own table
// of the language; what the meter does with them is its own. No line, no timing: those are the server's.

#include "MeterState.h"
#include "device/CommandTable.h"

#include <QDateTime>
#include <QString>
#include <functional>

struct MeterOptions {
    bool Err1 = false; // "ERR 1" for get and set of settings 24 and 29
    int DelError = 0;  // when not 0, every deletion is refused with this code
    // What the unused field of "GET READING" holds: the batch ID, 0, or the batch's slot index.
    enum ReadingField { BatchId, Zero, Slot } ReadingFieldHolds = BatchId;
};

class Meter {
public:
    Meter(MeterState state, MeterOptions options);

    QString Handle(const QString &command);
    const MeterState &State() const { return FState; }
    // The PC clock; tests may replace it.
    std::function<QDateTime()> Clock = [] { return QDateTime::currentDateTime(); };

private:
    QString GetBatch(const QStringList &args);
    QString GetReading(const QStringList &args);
    QString NewBatch(const QString &command);
    QString DelBatch(const QStringList &args);
    QString GetConfig(const QStringList &args);
    QString GetC(const QStringList &args);
    QString SetConfig(const QStringList &args);
    QString SetRtc(const QStringList &args);
    bool NewerFirmware() const;
    SimBatch *FindBatch(int id);

    MeterState FState;
    MeterOptions FOptions;
};
