#pragma once
// Misbehaviour on demand: each a command-line flag of the simulator.

#include <QList>
#include <QString>
#include <utility>

struct Faults {
    bool Silent = false;
    // How late the replies come, ms: for the commands of given words, and for every other (words
    // empty).
    QList<std::pair<QString, int>> Late;
    bool OneAtATime = false; // a command waits until the reply to the one before has gone out
    QString Refuse;          // "ERR", "P?" or "C?"
    QString RefuseCommand;   // empty: every command is refused
    QString WrongCount;      // the reply of this command gets one parameter too many
    QString ShortCount;      // the reply of this command lacks its last parameter
    int Garbage = 0;         // random bytes before each reply
    int Split = 0;           // reply written in pieces of this size
    int DropAfter = -1;      // the line goes away when command N + 1 arrives
    int Baud = 0;            // pace every byte at this rate; 0: no pacing
    int ChaosPercent = 0;    // the chance of a random fault on each reply; 0: none
    quint32 ChaosSeed = 0;
    int ChaosLateMs = 1000; // the longest a randomly late reply waits

    int LateFor(const QString &command) const
    {
        int ms = 0;
        for (const auto &[words, late] : Late) {
            if (!words.isEmpty() && Matches(command, words))
                return late;
            if (words.isEmpty())
                ms = late;
        }
        return ms;
    }

    // The command's two words, for matching the per-command flags.
    static bool Matches(const QString &command, const QString &words)
    {
        return command == words || command.startsWith(words + QLatin1Char(' '));
    }
};
