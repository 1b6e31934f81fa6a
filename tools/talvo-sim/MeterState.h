#pragma once
// What the simulated meter holds: firmware, settings, clock offset, password and batch slots.
// Loaded from a JSON file or made up as a demo meter, and saved back on request.

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QVector>
#include <optional>

struct SimReading {
    int Status = 0;
    quint32 Time = 0; // meter seconds since 1980-01-01
    int Conductivity = 0;
    int TemperatureTenths = 0;
    int Flag = 0;
    int Fahrenheit = 0;
};

struct SimBatch {
    int Id = 0;
    QString Name;
    quint32 Created = 0;
    int Max = 100;
    QVector<SimReading> Readings;
};

struct MeterState {
    QString Firmware = QStringLiteral("V2.07");
    qint64 ClockOffset = 0;    // seconds added to the PC clock
    quint32 ServoSeconds = 0;  // "GET SERVOLT"
    QMap<int, QString> Config; // "GET CONFIG" index -> value as sent
    float Cells[6][4] = {};
    QVector<std::optional<SimBatch>> Slots;

    static MeterState Demo();
    // Throws std::runtime_error with a readable message.
    static MeterState FromJson(const QJsonObject &json);
    QJsonObject ToJson() const;
};
