// The frame layer's receive state machine, fed arbitrary bytes in arbitrary pieces.
#include "link/MPFrame.h"
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
    QObject::connect(&frame, &TMPFrame::OnMPFrameDataInd, [&](const QString &d) {
        if (d.size() > frame.ComSettings().MaxRXBuffer())
            __builtin_trap();
        total += d.size();
    });
    for (size_t i = 2; i < size; i += static_cast<size_t>(piece))
        line.Current->Arrive(QByteArray(reinterpret_cast<const char *>(data + i),
                                        static_cast<qsizetype>(qMin<size_t>(piece, size - i))));
    if (total > static_cast<qsizetype>(size))
        __builtin_trap();
    return 0;
}
