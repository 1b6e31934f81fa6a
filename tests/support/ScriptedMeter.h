#pragma once
// A meter in a few lines for unit tests of the device module: it answers the frames written to a
// FakeLine with replies a test function chooses. An empty reply means silence.

#include "support/FakeSerialDriver.h"

#include <QStringList>
#include <functional>

struct ScriptedMeter {
    explicit ScriptedMeter(FakeLine &line)
        : FLine(line)
    {
        line.OnWrite = [this](const QByteArray &frame) {
            QByteArray text = frame;
            if (text.startsWith('/'))
                text.remove(0, 1);
            if (text.endsWith("\r\n"))
                text.chop(2);
            const QString command = QString::fromLatin1(text);
            Commands << command;
            const QString reply = Reply ? Reply(command) : QString();
            if (!reply.isNull())
                FLine.Deliver("/" + reply.toLatin1() + "\r\n", Chunk);
        };
    }

    std::function<QString(const QString &)> Reply;
    QStringList Commands;
    int Chunk = 0;

private:
    FakeLine &FLine;
};
