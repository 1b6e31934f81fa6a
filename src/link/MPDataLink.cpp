#include "link/MPDataLink.h"

TMPDataLink::TMPDataLink(QObject *parent, TSerialDriverFactory factory)
    : TMPFrame(parent, std::move(factory))
{
    FResponseTimer.setSingleShot(true);
    FResponseTimer.setTimerType(Qt::PreciseTimer);
    FResponseTimer.setInterval(static_cast<int>(FTimeOutResponse));
    connect(&FResponseTimer, &QTimer::timeout, this, &TMPDataLink::OnResponseTimeOut);
}

TMPDataLink::~TMPDataLink()
{
    Close();
}

void TMPDataLink::SetRetries(qint16 value)
{
    if (value == FRetries)
        return;
    FRetries = value;
    // An outstanding request keeps the resends it started with.
    if (!FBusy)
        FRetriesLeft = value;
}

void TMPDataLink::SetTimeOutResponse(quint32 ms)
{
    if (ms == FTimeOutResponse)
        return;
    FTimeOutResponse = ms;
    FResponseTimer.setInterval(static_cast<int>(ms));
}

void TMPDataLink::RestoreInterval()
{
    if (FResponseTimer.interval() != static_cast<int>(FTimeOutResponse))
        FResponseTimer.setInterval(static_cast<int>(FTimeOutResponse));
}

void TMPDataLink::Send(const QString &data)
{
    if (!FBusy && Active()) {
        FLastRequest = data;
        FResponseTimer.start();
        FBusy = true;
        TMPFrame::Send(data);
    } else if (FBusy) {
        emit OnMPDLError(dlBusy);
    } else {
        emit OnMPDLError(dlNotOpen);
    }
}

void TMPDataLink::DoDataInd(const QString &data)
{
    if (!FBusy || (FAccept && !FAccept(data))) {
        emit OnMPDLDiscarded(data);
        return;
    }
    FResponseTimer.stop();
    RestoreInterval();
    FRetriesLeft = FRetries;
    FBusy = false;
    emit OnMPDLDataConf(data);
}

void TMPDataLink::OnResponseTimeOut()
{
    FResponseTimer.stop();
    FBusy = false;
    if (FRetriesLeft != 0) {
        --FRetriesLeft;
        Send(FLastRequest);
        return;
    }
    emit OnMPDLError(dlTimeOut);
    FRetriesLeft = FRetries;
    RestoreInterval();
}

void TMPDataLink::DoComError(int error)
{
    // The outstanding request, if any, still ends by its response or its time-out.
    if (error == feGaveUp) {
        emit OnMPDLError(dlCannotOpen);
        return;
    }
    FRetriesLeft = FRetries;
    emit OnMPDLFrameError(error);
}

void TMPDataLink::DoDataSendInd()
{
    emit OnMPDLDataSendInd();
}

void TMPDataLink::DoDeviceLost()
{
    FResponseTimer.stop();
    RestoreInterval();
    FBusy = false;
    FRetriesLeft = FRetries;
    emit OnMPDLError(dlLost);
}
