#include "link/MpComSettings.h"

void TMpComSettings::SetRS485Mode(bool v)
{
    FRS485Mode = v;
    // Half-duplex drives RTS itself; switching RS-485 off again leaves RTS off.
    if (v)
        FRTS = false;
}

void TMpComSettings::SetRTS(bool v)
{
    if (v && FRS485Mode)
        return;
    FRTS = v;
}
