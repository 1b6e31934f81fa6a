#include "model/BatchSource.h"

#include "model/DeviceInfo.h"

TBatchSource::TBatchSource(QObject *parent)
    : QObject(parent)
    , FBatches(std::make_unique<TBatches>())
{}

TBatchSource::~TBatchSource() = default;

TMeterSource::TMeterSource(std::shared_ptr<TDeviceInfo> record, QObject *parent)
    : TBatchSource(parent)
    , FDeviceInfo(record ? std::move(record) : std::make_shared<TDeviceInfo>())
{}

void TMeterSource::SetDeviceInfo(std::shared_ptr<TDeviceInfo> record)
{
    FDeviceInfo = record ? std::move(record) : std::make_shared<TDeviceInfo>();
    for (int i = 0; i < Batches().Count(); ++i)
        Adopt(*Batches().GetBatch(i));
    emit OnFiguresChanged();
}

void TMeterSource::Adopt(TBatch &batch) const
{
    batch.FDeviceInfo = FDeviceInfo;
}
