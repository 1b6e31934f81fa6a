#pragma once
// The scan of an imported sheet: every device configuration block fills the device record, every
// "Batch name" row starts a batch in the batch list, every reading table fills that batch's readings,
// and each batch's check code is recomputed and compared with the one the file holds.

#include <QString>
#include <QStringList>
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

    // Told of each batch once its section is complete, so that the tree can add its node. Every batch
    // the scan leaves in the list has been told this way, also when the scan fails: removing the
    // batches of those nodes removes everything the import added.
    std::function<void(TBatch &)> OnBatchAdded;

    // Replaces the device record by a new one that the sheet fills, and adds the sheet's complete
    // batches to the list; returns how many. A failed check code is announced, not raised; a section
    // that ends before its batch is complete is listed in Incomplete(). Any other failure ends the
    // scan with an error; the batches added up to then stay in the list.
    int ImportBatches(TSheet &sheet);
    // Reads the file (ReadBatchFile) and imports it; a file without a complete batch raises "No batch
    // was found in the file.".
    void ImportFile(const QString &fileName);

    // The sections of the last import that ended before their batch was complete, one message each.
    const QStringList &Incomplete() const { return FIncomplete; }
    // The warning the application shows after such an import; empty when every section was complete.
    QString IncompleteWarning() const;

private:
    TBatches &FBatchList;
    std::shared_ptr<TDeviceInfo> &FDeviceInfo;
    TStatusLine &FStatus;
    Prompts &FPrompts;
    QStringList FIncomplete;
};

// Loads a batch file into the import sheet, by its content: a workbook when it starts with the
// compound file signature, comma-separated text otherwise, whatever its name.
void ReadBatchFile(const QString &fileName, TSheet &sheet, TStatusLine &status);
