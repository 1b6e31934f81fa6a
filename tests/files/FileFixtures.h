#pragma once
// Shared pieces of the batch file tests: a status line that records what it was told, a meter record
// and batches with fixed values, and small file helpers.

#include "files/StatusLine.h"
#include "model/Batches.h"
#include "model/DateTime.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"
#include "model/UserLocale.h"
#include "support/Raised.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class RecordingStatus : public TStatusLine {
public:
    void ShowStatus(const QString &text) override { Events << text; }
    void ClearStatus() override { Events << QStringLiteral("<clear>"); }
    void ShowProgress(int maximum) override { Events << QStringLiteral("<progress %1>").arg(maximum); }
    void HideProgress() override { Events << QStringLiteral("<hide progress>"); }

    QStringList Events;
};

inline const char *OlderFirmware = "V2.06S01";
inline const char *NewerFirmware = "V2.06S02";

inline TDeviceInfo Meter(const QString &firmware, bool bresle = false)
{
    TDeviceInfo info;
    info.SerialNumber = QStringLiteral("TV1234");
    info.SetSoftwareVersion(firmware);
    info.SetConfigVersion(QStringLiteral("V2.05"));
    info.ServoLifeTime = 5000;
    info.ReadingsSinceLastVal = 12;
    info.ReadingsSinceLastService = 345;
    info.NrOfReadingsTaken = QStringLiteral("4567");
    info.ValidationDate = EncodeDate(2012, 3, 1);
    info.ServiceDate = EncodeDate(2011, 11, 15);
    info.G25 = 1413;
    info.Alpha = 2.0;
    info.DeionizedWater = 2;
    info.AutoTempComp = 0.02;
    info.GClean = 10.4f;
    info.BresleOffset = bresle ? 12 : 0;
    info.HasBresleOffset = bresle;
    info.Valid = true;
    return info;
}

// A batch of `count` readings with varied values: inside and outside the temperature window, one
// held in °F, conductivities below and above the deionized water.
inline TBatch *AddBatch(TBatches &list, int count, const QString &name = QStringLiteral("Deck A"), int id = 3)
{
    TBatch *batch = list.AddBatch(id, name, EncodeDateTime(QDate(2012, 7, 31), QTime(10, 15, 7)), 100, count);
    for (int i = 0; i < count; ++i) {
        const float temperatures[] = {21.4f, 4.5f, 77.0f, 50.0f, 5.0f, 18.2f, 33.3f};
        const int k = i % 7;
        batch->AddReading(i, k == 3 ? 1 : 900 + 37 * i,
                          EncodeDateTime(QDate(2012, 7, 31), QTime(11, i % 60, (7 * i) % 60)), temperatures[k], false,
                          k == 2);
    }
    batch->FReadingsLoaded = true;
    return batch;
}

inline UserLocale PointLocale()
{
    return UserLocale();
}

inline UserLocale CommaLocale()
{
    UserLocale l;
    l.DecimalSeparator = QLatin1Char(',');
    l.ShortDateFormat = QStringLiteral("dd.MM.yyyy");
    return l;
}

inline QByteArray ReadBytes(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteBytes(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Lines without their CR LF.
inline QList<QByteArray> Lines(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &l : lines)
        if (l.endsWith('\r'))
            l.chop(1);
    return lines;
}

inline QByteArray JoinLines(const QList<QByteArray> &lines)
{
    QByteArray out;
    for (const QByteArray &l : lines)
        out += l + "\r\n";
    return out;
}
