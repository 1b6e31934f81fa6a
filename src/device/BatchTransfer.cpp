// Moving batches between the meter and the batch list: the list, the readings, new and delete.
#include "device/Communication.h"

#include "device/SplitParameters.h"
#include "model/Conversions.h"
#include "model/Errors.h"

#include <QScopeGuard>

namespace {

const QString TooManyParameters = QStringLiteral("The received message had to many parameters.");

} // namespace

void TdmCommunication::ReadBatches(TBatches &batches)
{
    EnsureConnected();
    const auto finish = qScopeGuard([this] {
        emit OnStatusClear();
        emit OnProgressEnd();
    });
    emit OnStatus(QStringLiteral("Reading batches from Talvo."));

    // A reply of another form says nothing of the slots: reading none would pass an unreadable
    // meter off as an empty one.
    const QStringList count = Query(QStringLiteral("GET MAXNROFB"), 3);
    const auto slotCount = TryStrToInt(count[2]);
    if (!slotCount)
        throw Error(QStringLiteral("The data received on GETNROFB was of a illegal format."));
    emit OnProgressEnd();
    emit OnProgressStart(*slotCount);

    for (qint32 i = 0; i < *slotCount; ++i) {
        const QStringList p = SplitParameters(SendCommand(QStringLiteral("GET BATCH ") + QString::number(i)));
        if (p.size() != 8)
            throw Error(TooManyParameters);
        if (StrToInt(p[3]) == 0) {
            const auto id = TryStrToInt(p[2]);
            const auto created = TryStrToInt64(p[5]);
            const auto max = TryStrToInt(p[6]);
            const auto readings = TryStrToInt(p[7]);
            if (!id || !created || !max || !readings)
                throw Error(
                    QStringLiteral("There was a conversion error in one of the\r\nreceived parameters of Batch \"") +
                    QString::number(i) + QLatin1Char('"'));
            batches.AddBatch(*id, p[4], DeviceTimeToDateTime(static_cast<quint32>(*created)), *max, *readings);
        }
        emit OnProgress(1);
    }
}

void TdmCommunication::ReadBatchReadings(TBatch &batch)
{
    EnsureConnected();
    batch.FReadingsLoaded = false;
    const auto finish = qScopeGuard([this] {
        emit OnStatusClear();
        emit OnProgressEnd();
    });
    emit OnStatus(QStringLiteral("Reading Batch readings from Talvo."));
    emit OnProgressEnd();
    emit OnProgressStart(batch.FReadingCount);

    for (qint32 i = 0; i < batch.FReadingCount; ++i) {
        const QStringList p = SplitParameters(SendCommand(QStringLiteral("GET READING %1 %2").arg(batch.FID).arg(i)));
        if (p.size() != 10) {
            batch.ClearReadings();
            throw Error(TooManyParameters);
        }
        if (StrToInt(p[4]) == 0) {
            const auto seconds = static_cast<quint32>(StrToInt64(p[5]));
            const float temperature = static_cast<float>(StrToInt(p[7]) / 10.0);
            batch.AddReading(StrToInt(p[3]), StrToInt(p[6]), DeviceTimeToDateTime(seconds), temperature,
                             StrToInt(p[8]) != 0, StrToInt(p[9]) != 0);
        }
        emit OnProgress(1);
    }
    batch.FReadingsLoaded = true;
}

QStringList TdmCommunication::QueryOnce(const QString &command, qsizetype count, quint32 timeOut, const QString &hint)
{
    // Sent again, such a command would be carried out again: a second batch of the same name, or
    // a deletion reported as failed because the first one did it. It goes out once and is given
    // the time all the transmissions would have had.
    const quint32 previous = FDataLink->TimeOutResponse();
    FDataLink->SetTimeOutResponse(timeOut);
    const auto restore = qScopeGuard([this, previous] { FDataLink->SetTimeOutResponse(previous); });
    return Change(hint + QStringLiteral(" Please read the batches again to see what the Talvo holds."),
                  [&] { return Parameters(Exchange(command, 1), count); });
}

void TdmCommunication::NewBatch(const QString &name, qint32 maxReadings, TDateTime createdAt, qint32 &batchId)
{
    EnsureConnected();
    const auto finish = qScopeGuard([this] {
        if (FConnected)
            emit OnConnected();
        else
            emit OnDisconnected();
        emit OnStatusClear();
    });
    emit OnStatus(QStringLiteral("Creating new Batch in Talvo. This can take up to 10 seconds"));
    emit OnProgressEnd();
    emit OnConnecting();

    // The name goes out as it is, blanks included; it is not escaped.
    const QString command = QStringLiteral("NEW BATCH \"") + name + QStringLiteral("\" ") +
                            QString::number(DateTimeToDeviceTime(createdAt)) + QLatin1Char(' ') +
                            QString::number(maxReadings);
    const QStringList p =
        QueryOnce(command, 7, Attempts * FNewBatchTimeOut, QStringLiteral("The Talvo may have created the batch."));
    const qint32 result = StrToInt(p[5]);
    if (result == 2)
        throw Error(QStringLiteral("There are no more places left in the Talvo for batches.\r\n"
                                   "Please make some room by deleting a batch first."));
    if (result != 0)
        throw Error(QStringLiteral("Unexpected error"));
    batchId = StrToInt(p[6]);
}

void TdmCommunication::DeleteBatch(qint32 batchId)
{
    EnsureConnected();
    const auto finish = qScopeGuard([this] { emit OnStatusClear(); });
    emit OnStatus(QStringLiteral("Deleting batch from Talvo."));
    emit OnProgressEnd();

    const QStringList p =
        QueryOnce(QStringLiteral("DEL BATCH ") + QString::number(batchId), 4, Attempts * FDataLink->TimeOutResponse(),
                  QStringLiteral("The Talvo may have deleted the batch."));
    // On a refusal the meter puts its error code where the batch ID stands otherwise.
    if (StrToInt(p[3]) == -1) {
        if (TryStrToInt(p[2]) == 3)
            throw Error(QStringLiteral("The batch was not found in the Talvo."));
        throw Error(QStringLiteral("Unexpected error"));
    }
}
