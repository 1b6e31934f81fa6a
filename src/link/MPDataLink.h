#pragma once
// The data link layer: one request frame out, the next frame in as its response, a response timer
// with resends, and a refusal of a second request while one is outstanding. It never raises.

#include "link/MPFrame.h"

#include <functional>

class TMPDataLink : public TMPFrame {
    Q_OBJECT
public:
    // Data link error codes.
    enum { dlTimeOut = 0, dlBusy = 1, dlFrameError = 2, dlNotOpen = 3, dlCannotOpen = 4, dlLost = 5 };

    explicit TMPDataLink(QObject *parent = nullptr, TSerialDriverFactory factory = {});
    ~TMPDataLink() override;

    void Send(const QString &data);
    qint16 Retries() const { return FRetries; }
    void SetRetries(qint16 value);
    quint32 TimeOutResponse() const { return FTimeOutResponse; }
    void SetTimeOutResponse(quint32 ms);
    bool Busy() const { return FBusy; }
    // Frames the filter refuses are not the outstanding request's response: they are discarded
    // and the wait goes on. Without a filter every frame is taken.
    void SetResponseFilter(std::function<bool(const QString &)> accept) { FAccept = std::move(accept); }

signals:
    void OnMPDLDataConf(const QString &data);
    void OnMPDLDataSendInd();
    void OnMPDLFrameError(int error);
    void OnMPDLError(int error);
    // A frame that was not taken as a response: nothing was outstanding, or the filter refused it.
    void OnMPDLDiscarded(const QString &data);

protected:
    void DoDataInd(const QString &data) override;
    void DoComError(int error) override;
    void DoDataSendInd() override;
    // The outstanding request, if any, can get no response any more: it ends at once.
    void DoDeviceLost() override;

private:
    void OnResponseTimeOut();
    void RestoreInterval();

    QTimer FResponseTimer;
    qint16 FRetries = 3;
    quint32 FTimeOutResponse = 500;
    bool FBusy = false;
    QString FLastRequest;
    qint16 FRetriesLeft = 3;
    std::function<bool(const QString &)> FAccept;
};
