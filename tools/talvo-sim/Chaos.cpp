#include "Chaos.h"

QString ChaosFault::Describe() const
{
    switch (What) {
    case None:
        return QStringLiteral("none");
    case Garbage:
        return QStringLiteral("garbage %1 bytes").arg(Amount);
    case Split:
        return QStringLiteral("split in pieces of %1").arg(Amount);
    case Late:
        return QStringLiteral("late %1 ms").arg(Amount);
    case Dropout:
        return QStringLiteral("dropped, %1 more to come").arg(Amount);
    case Refusal:
        return QStringLiteral("refused with ") + Reply;
    }
    return {};
}

Chaos::Chaos(quint32 seed, int percent, int lateMaxMs)
    : FState(seed * 0x9E3779B97F4A7C15ull + 1)
    , FPercent(percent)
    , FLateMaxMs(lateMaxMs)
{}

quint32 Chaos::Random(quint32 bound)
{
    // A 64-bit linear congruential generator; the high bits are the good ones.
    FState = FState * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<quint32>(FState >> 33) % bound;
}

ChaosFault Chaos::Next()
{
    ChaosFault f;
    if (FDropped > 0) {
        f.What = ChaosFault::Dropout;
        f.Amount = --FDropped;
        return f;
    }
    if (static_cast<int>(Random(100)) >= FPercent)
        return f;
    switch (Random(5)) {
    case 0:
        f.What = ChaosFault::Garbage;
        f.Amount = 1 + static_cast<int>(Random(16));
        break;
    case 1:
        f.What = ChaosFault::Split;
        f.Amount = 1 + static_cast<int>(Random(7));
        break;
    case 2:
        f.What = ChaosFault::Late;
        f.Amount = 1 + static_cast<int>(Random(static_cast<quint32>(FLateMaxMs)));
        break;
    case 3:
        f.What = ChaosFault::Dropout;
        f.Amount = FDropped = static_cast<int>(Random(4));
        break;
    default: {
        static const QString refusals[] = {QStringLiteral("ERR"), QStringLiteral("P?"), QStringLiteral("C?")};
        f.What = ChaosFault::Refusal;
        f.Reply = refusals[Random(3)];
        break;
    }
    }
    return f;
}
