#pragma once
// Random faults, one draw a command: with the given chance a reply is given one fault, chosen at
// random, and the same seed gives the same faults command for command. A dropout is the line
// going dead for a few commands in a row (a pulled cable put back), which the application meets
// as silence.

#include <QString>

struct ChaosFault {
    enum Kind { None, Garbage, Split, Late, Dropout, Refusal };
    Kind What = None;
    int Amount = 0; // garbage bytes, piece size, ms late, or commands still dropped after this one
    QString Reply;  // the refusal: "ERR", "P?" or "C?"

    // For the log, e.g. "late 412 ms".
    QString Describe() const;
};

class Chaos {
public:
    Chaos(quint32 seed, int percent, int lateMaxMs);

    // The fault of the reply to the next command.
    ChaosFault Next();

private:
    quint32 Random(quint32 bound);

    quint64 FState;
    int FPercent;
    int FLateMaxMs;
    int FDropped = 0; // commands of the current dropout still to go unanswered
};
