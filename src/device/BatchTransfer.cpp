// Moving batches between the meter and the batch list: the list, the readings, new and delete.
#include "device/Communication.h"

#include "model/Conversions.h"
#include "model/Errors.h"

#include <QScopeGuard>

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
    const QStringList count = Query(TCommand::GetMaxNrOfB);
    const auto slotCount = TryStrToInt(count[2]);
    if (!slotCount)
        throw Error(QStringLiteral("The data received on GETNROFB was of a illegal format."));
    emit OnProgressEnd();
    emit OnProgressStart(*slotCount);

    for (qint32 i = 0; i < *slotCount; ++i) {
        const QStringList p = Query(TCommand::GetBatch, {QString::number(i)});
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
        const QStringList p = Ask(TCommand::GetReading, {QString::number(batch.FID), QString::number(i)});
        if (!Fits(TCommand::GetReading, p)) {
            batch.ClearReadings();
            WrongCount(TCommand::GetReading);
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

namespace {

const QString ReadBatchesAgain = QStringLiteral(" Please read the batches again to see what the Talvo holds.");

} // namespace

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
    const QStringList p = Change(QStringLiteral("The Talvo may have created the batch.") + ReadBatchesAgain, [&] {
        return Query(TCommand::NewBatch,
                     {name, QString::number(DateTimeToDeviceTime(createdAt)), QString::number(maxReadings)});
    });
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

    const QStringList p = Change(QStringLiteral("The Talvo may have deleted the batch.") + ReadBatchesAgain,
                                 [&] { return Query(TCommand::DelBatch, {QString::number(batchId)}); });
    // On a refusal the meter puts its error code where the batch ID stands otherwise.
    if (StrToInt(p[3]) == -1) {
        if (TryStrToInt(p[2]) == 3)
            throw Error(QStringLiteral("The batch was not found in the Talvo."));
        throw Error(QStringLiteral("Unexpected error"));
    }
}
