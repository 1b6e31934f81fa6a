#pragma once
// The scan of an imported sheet: every device configuration block fills the device record, every
// "Batch name" row starts a batch in the batch list, every reading table fills that batch's readings,
// and each batch's check code is recomputed and compared with the one the file holds.

#include <QString>
#include <functional>
#include <memory>

class Prompts;
class TBatch;
class TBatches;
class TDeviceInfo;
class TSheet;
class TStatusLine;

class TBatchImport {
public:
    TBatchImport(TBatches &batchList, std::shared_ptr<TDeviceInfo> &deviceInfo, TStatusLine &status, Prompts &prompts);

    // Told of each new batch as soon as its name is set, so that the tree can add its node. Every batch
    // the scan leaves in the list has been told this way, also when the scan fails: removing the
    // batches of those nodes removes everything the import added.
    std::function<void(TBatch &)> OnBatchAdded;

    // Replaces the device record by a new one that the file fills, and adds the file's batches to the
    // list; a failed check code is announced, not raised. Any other failure ends the scan with an
    // error; the batches added up to then stay in the list.
    void ImportBatches(TSheet &sheet);

private:
    TBatches &FBatchList;
    std::shared_ptr<TDeviceInfo> &FDeviceInfo;
    TStatusLine &FStatus;
    Prompts &FPrompts;
};

// Loads a batch file into the import sheet: a workbook when its extension is exactly ".XLS", any
// other name (a lower-case .xls too) as comma-separated text.
void ReadBatchFile(const QString &fileName, TSheet &sheet, TStatusLine &status);
