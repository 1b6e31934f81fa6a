#pragma once
// Where batches come from: the meter, or one imported file. A source owns its batches and the device
// records their figures derive from, and tells its observers when those figures change; the windows
// show what a source holds and never derive a batch with another source's record.

#include "model/Batches.h"

#include <QObject>
#include <memory>

class TDeviceInfo;

class TBatchSource : public QObject {
    Q_OBJECT
public:
    explicit TBatchSource(QObject *parent = nullptr);
    ~TBatchSource() override;

    TBatches &Batches() const { return *FBatches; }

signals:
    // The figures of these batches were derived anew: what shows them shows them again.
    void OnFiguresChanged();

private:
    std::unique_ptr<TBatches> FBatches;
};

// The meter: its batches follow its one current device record, replaced whole, never patched.
class TMeterSource : public TBatchSource {
    Q_OBJECT
public:
    // Starts with record, or an empty one.
    explicit TMeterSource(std::shared_ptr<TDeviceInfo> record = {}, QObject *parent = nullptr);

    const std::shared_ptr<TDeviceInfo> &DeviceInfo() const { return FDeviceInfo; }
    // Replaces the record: every batch of the meter derives its figures with the new one.
    void SetDeviceInfo(std::shared_ptr<TDeviceInfo> record);
    // A batch the meter listed or created takes the meter's record.
    void Adopt(TBatch &batch) const;

private:
    std::shared_ptr<TDeviceInfo> FDeviceInfo;
};
