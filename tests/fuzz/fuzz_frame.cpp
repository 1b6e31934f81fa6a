// The frame layer's receive state machine, fed arbitrary bytes in arbitrary pieces, with commands
// sent in between. Every frame must be a run of the bytes received since the last command went out:
// sending flushes the input, and nothing before the flush may be joined to what comes after it.
#include "link/MPFrame.h"
#include "model/Win1252.h"
#include "support/FakeSerialDriver.h"

#include <QCoreApplication>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_frame";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (size < 2)
        return 0;
    FakeLine line;
    TMPFrame frame(nullptr, FakeFactory(line));
    // The first bytes choose the framing settings and the piece size.
    static const char *const stops[] = {"CRLF", "CR", "LF", "none"};
    frame.SetFrameStopChar(QString::fromLatin1(stops[data[0] & 3]));
    frame.SetFrameStartResponseChar(data[0] & 4 ? QChar(0) : QLatin1Char('/'));
    frame.ComSettings().SetMaxRXBuffer(data[0] & 8 ? 16 : 4096);
    const int piece = 1 + data[1] % 64;
    frame.Open();
    qsizetype total = 0;
    QByteArray sinceSend;
    QObject::connect(&frame, &TMPFrame::OnMPFrameDataInd, [&](const QString &d) {
        if (d.size() > frame.ComSettings().MaxRXBuffer() || !FromWin1252(sinceSend).contains(d))
            __builtin_trap();
        total += d.size();
    });
    for (size_t i = 2; i < size; i += static_cast<size_t>(piece)) {
        const QByteArray bytes(reinterpret_cast<const char *>(data + i),
                               static_cast<qsizetype>(qMin<size_t>(piece, size - i)));
        // With bit 4 set, a piece that starts with byte 1 comes after a command.
        if (data[0] & 16 && bytes.startsWith('\x01')) {
            frame.Send(QStringLiteral("GET RTC"));
            sinceSend.clear();
        }
        sinceSend += bytes;
        line.Current->Arrive(bytes);
    }
    if (total > static_cast<qsizetype>(size))
        __builtin_trap();
    return 0;
}
