#pragma once
// An in-memory serial line for unit tests. Received bytes arrive through the event queue in the
// chunks the test chooses, as a real port delivers them; written frames are recorded.

#include "link/SerialDriver.h"

#include <QPointer>
#include <QSet>
#include <QTimer>
#include <functional>
#include <memory>

struct FakeLine {
    QByteArray Written;
    QList<QByteArray> Writes;
    QByteArray Rx;
    bool OpenOk = true;
    bool WriteOk = true;
    bool FlushOk = true;
    bool ArmOk = true;
    QSet<int> Ports{1};
    int Opens = 0;
    int Drivers = 0;
    TMpComSettings Applied;
    // Called after every write, e.g. to answer like a meter.
    std::function<void(const QByteArray &)> OnWrite;

    class Driver;
    QPointer<Driver> Current;

    // Queues bytes for delivery, in pieces of `chunk` bytes, each its own notification.
    void Deliver(const QByteArray &bytes, int chunk = 0);
    void LineError(int code);
    // The device goes away, as a pulled cable does: the port closes and says so.
    void Lose();
};

class FakeLine::Driver : public TSerialDriver {
public:
    explicit Driver(FakeLine &line)
        : FLine(line)
    {
        ++line.Drivers;
    }

    void ApplySettings(const TMpComSettings &s) override { FLine.Applied = s; }
    bool Open() override
    {
        ++FLine.Opens;
        FOpen = FLine.OpenOk;
        return FOpen;
    }
    bool Close() override
    {
        FOpen = false;
        return true;
    }
    bool IsOpen() const override { return FOpen; }
    bool FlushInput() override
    {
        FLine.Rx.clear();
        return FLine.FlushOk;
    }
    bool Write(const QByteArray &bytes) override
    {
        if (!FOpen || !FLine.WriteOk)
            return false;
        FLine.Written += bytes;
        FLine.Writes << bytes;
        if (FDrainArmed) {
            FDrainArmed = false;
            QTimer::singleShot(0, this, [this] { emit OutputDrained(); });
        }
        if (FLine.OnWrite)
            FLine.OnWrite(bytes);
        return true;
    }
    char ReadByte() override
    {
        if (FLine.Rx.isEmpty())
            return 0;
        const char c = FLine.Rx.at(0);
        FLine.Rx.remove(0, 1);
        return c;
    }
    bool ArmOutputDrained() override
    {
        FDrainArmed = FLine.ArmOk;
        return FLine.ArmOk;
    }
    bool ArmLineErrors() override { return FLine.ArmOk; }
    bool PortExists(int number) const override { return FLine.Ports.contains(number); }

    void Arrive(const QByteArray &bytes)
    {
        if (!FOpen)
            return;
        FLine.Rx += bytes;
        emit BytesAvailable(static_cast<int>(bytes.size()));
    }
    void RaiseLineError(int code) { emit LineErrorOccurred(code); }
    void Vanish()
    {
        if (!FOpen)
            return;
        FOpen = false;
        emit DeviceLost();
    }

private:
    FakeLine &FLine;
    bool FOpen = false;
    bool FDrainArmed = false;
};

inline void FakeLine::Deliver(const QByteArray &bytes, int chunk)
{
    const qsizetype step = chunk > 0 ? chunk : qMax<qsizetype>(1, bytes.size());
    for (qsizetype i = 0; i < bytes.size(); i += step) {
        const QByteArray piece = bytes.mid(i, step);
        QTimer::singleShot(0, [this, piece] {
            if (Current)
                Current->Arrive(piece);
        });
    }
}

inline void FakeLine::LineError(int code)
{
    QTimer::singleShot(0, [this, code] {
        if (Current)
            Current->RaiseLineError(code);
    });
}

inline void FakeLine::Lose()
{
    QTimer::singleShot(0, [this] {
        if (Current)
            Current->Vanish();
    });
}

// A driver factory bound to one line; every driver it makes becomes the line's current one.
inline auto FakeFactory(FakeLine &line)
{
    return [&line]() -> std::unique_ptr<TSerialDriver> {
        auto driver = std::make_unique<FakeLine::Driver>(line);
        line.Current = driver.get();
        return driver;
    };
}
