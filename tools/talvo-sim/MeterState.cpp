#include "MeterState.h"

#include <QDateTime>
#include <QJsonArray>
#include <stdexcept>

namespace {

quint32 MeterSeconds(const QDateTime &t)
{
    return static_cast<quint32>(QDateTime(QDate(1980, 1, 1), QTime(0, 0)).secsTo(t));
}

// Readings with a plausible spread; `tenths` picks the temperature of each.
SimBatch MakeBatch(int id, const QString &name, const QDateTime &created, int max, int count,
                   const std::function<int(int)> &tenths, bool fahrenheit = false)
{
    SimBatch b;
    b.Id = id;
    b.Name = name;
    b.Created = MeterSeconds(created);
    b.Max = max;
    for (int i = 0; i < count; ++i) {
        SimReading r;
        r.Time = b.Created + 300 + static_cast<quint32>(i) * 97;
        r.Conductivity = 12 + (i * 37 + id * 11) % 260;
        r.TemperatureTenths = tenths(i);
        r.Flag = i % 7 == 3 ? 1 : 0;
        r.Fahrenheit = fahrenheit ? 1 : 0;
        b.Readings << r;
    }
    return b;
}

} // namespace

MeterState MeterState::Demo()
{
    MeterState s;
    s.ServoSeconds = 12 * 3600 + 1800; // the meter counts in 16 bits
    s.Config = {{0, QStringLiteral("517")},
                {9, QStringLiteral("0.02")},
                {10, QStringLiteral("84")},
                {12, QStringLiteral("1")},
                {13, QStringLiteral("2")},
                {14, QStringLiteral("3")},
                {15, QStringLiteral("4")},
                {16, QStringLiteral("TV-20417")},
                {17, QString::number(MeterSeconds(QDateTime(QDate(2024, 3, 12), QTime(9, 0))))},
                {18, QStringLiteral("1.032")},
                {19, QStringLiteral("20")},
                {22, QStringLiteral("1.018")},
                {24, QStringLiteral("20")},
                {25, QStringLiteral("18342")},
                {26, QStringLiteral("2210")},
                {27, QStringLiteral("312")},
                {28, QString::number(MeterSeconds(QDateTime(QDate(2026, 9, 1), QTime(14, 30))))},
                {29, QStringLiteral("2")},
                {30, QStringLiteral("3.5")}};
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 4; ++c)
            s.Cells[r][c] = 0.95f + 0.01f * static_cast<float>(r * 4 + c);
    s.Slots.resize(50);
    const QDateTime day(QDate(2026, 11, 23), QTime(8, 15));
    auto inside = [](int i) { return 150 + (i * 13) % 120; };             // 15.0 to 26.9 °C
    auto mixed = [](int i) { return i % 5 == 0 ? 38 + i : 180 + i * 8; }; // some below 5 °C, some above 50 °C
    s.Slots[0] = MakeBatch(1, QStringLiteral("DECK A"), day, 100, 100, inside);
    s.Slots[1] = MakeBatch(2, QStringLiteral("HULL PORT 1"), day.addDays(1), 100, 100, mixed);
    s.Slots[2] = MakeBatch(3, QStringLiteral("TANK 3"), day.addDays(2), 50, 17, inside);
    s.Slots[4] = MakeBatch(5, QStringLiteral("EMPTY"), day.addDays(3), 20, 0, inside);
    s.Slots[5] = MakeBatch(6, QStringLiteral("BLAST 2"), day.addDays(4), 100, 42, inside);
    s.Slots[7] = MakeBatch(
        8, QStringLiteral("FAHRENHEIT"), day.addDays(5), 30, 12, [](int i) { return 640 + i * 9; },
        true); // 64.0 °F and up
    s.Slots[8] = MakeBatch(9, QStringLiteral("PIPE 12"), day.addDays(6), 100, 5, inside);
    s.Slots[11] = MakeBatch(12, QStringLiteral("COLD DECK"), day.addDays(7), 25, 9, [](int i) { return 20 + i * 5; });
    return s;
}

MeterState MeterState::FromJson(const QJsonObject &json)
{
    MeterState s;
    s.Firmware = json.value(QStringLiteral("firmware")).toString(s.Firmware);
    s.ClockOffset = static_cast<qint64>(json.value(QStringLiteral("clockOffset")).toDouble(0));
    s.ServoSeconds = static_cast<quint32>(json.value(QStringLiteral("servo")).toDouble(0));
    const QJsonObject config = json.value(QStringLiteral("config")).toObject();
    for (auto it = config.begin(); it != config.end(); ++it) {
        bool ok = false;
        const int index = it.key().toInt(&ok);
        if (!ok)
            throw std::runtime_error("config keys must be setting indexes");
        s.Config[index] =
            it.value().isString() ? it.value().toString() : QString::number(it.value().toDouble(), 'g', 15);
    }
    const QJsonArray cells = json.value(QStringLiteral("cells")).toArray();
    for (int r = 0; r < 6 && r < cells.size(); ++r)
        for (int c = 0; c < 4 && c < cells[r].toArray().size(); ++c)
            s.Cells[r][c] = static_cast<float>(cells[r].toArray()[c].toDouble());
    s.Slots.resize(json.value(QStringLiteral("slots")).toInt(50));
    for (const QJsonValue v : json.value(QStringLiteral("batches")).toArray()) {
        const QJsonObject o = v.toObject();
        const int slot = o.value(QStringLiteral("slot")).toInt(-1);
        if (slot < 0 || slot >= s.Slots.size())
            throw std::runtime_error("a batch has no valid slot");
        SimBatch b;
        b.Id = o.value(QStringLiteral("id")).toInt();
        b.Name = o.value(QStringLiteral("name")).toString();
        b.Created = static_cast<quint32>(o.value(QStringLiteral("created")).toDouble());
        b.Max = o.value(QStringLiteral("max")).toInt(100);
        for (const QJsonValue rv : o.value(QStringLiteral("readings")).toArray()) {
            const QJsonObject ro = rv.toObject();
            SimReading r;
            r.Status = ro.value(QStringLiteral("status")).toInt(0);
            r.Time = static_cast<quint32>(ro.value(QStringLiteral("time")).toDouble());
            r.Conductivity = ro.value(QStringLiteral("conductivity")).toInt();
            r.TemperatureTenths = ro.value(QStringLiteral("temperature")).toInt();
            r.Flag = ro.value(QStringLiteral("flag")).toInt(0);
            r.Fahrenheit = ro.value(QStringLiteral("fahrenheit")).toInt(0);
            b.Readings << r;
        }
        s.Slots[slot] = b;
    }
    return s;
}

QJsonObject MeterState::ToJson() const
{
    QJsonObject config;
    for (auto it = Config.begin(); it != Config.end(); ++it)
        config[QString::number(it.key())] = it.value();
    QJsonArray cells;
    for (const auto &row : Cells) {
        QJsonArray r;
        for (float v : row)
            r.append(static_cast<double>(v));
        cells.append(r);
    }
    QJsonArray batches;
    for (int slot = 0; slot < Slots.size(); ++slot) {
        if (!Slots[slot])
            continue;
        const SimBatch &b = *Slots[slot];
        QJsonArray readings;
        for (const SimReading &r : b.Readings)
            readings.append(QJsonObject{{QStringLiteral("status"), r.Status},
                                        {QStringLiteral("time"), static_cast<double>(r.Time)},
                                        {QStringLiteral("conductivity"), r.Conductivity},
                                        {QStringLiteral("temperature"), r.TemperatureTenths},
                                        {QStringLiteral("flag"), r.Flag},
                                        {QStringLiteral("fahrenheit"), r.Fahrenheit}});
        batches.append(QJsonObject{{QStringLiteral("slot"), slot},
                                   {QStringLiteral("id"), b.Id},
                                   {QStringLiteral("name"), b.Name},
                                   {QStringLiteral("created"), static_cast<double>(b.Created)},
                                   {QStringLiteral("max"), b.Max},
                                   {QStringLiteral("readings"), readings}});
    }
    return QJsonObject{{QStringLiteral("firmware"), Firmware},
                       {QStringLiteral("clockOffset"), static_cast<double>(ClockOffset)},
                       {QStringLiteral("servo"), static_cast<double>(ServoSeconds)},
                       {QStringLiteral("slots"), static_cast<int>(Slots.size())},
                       {QStringLiteral("config"), config},
                       {QStringLiteral("cells"), cells},
                       {QStringLiteral("batches"), batches}};
}
