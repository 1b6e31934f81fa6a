#pragma once
// The scan of an imported sheet: every device configuration block fills the device record, every
// "Batch name" row starts a batch in the batch list, every reading table fills that batch's readings,
// and each batch's check code is recomputed and compared with the one the file holds.

#include "model/UserLocale.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class Prompts;
class TBatch;
class TBatches;
class TDeviceInfo;
class TSheet;
class TStatusLine;

class TBatchImport {
public:
    TBatchImport(TBatches &batchList, TStatusLine &status, Prompts &prompts);

    // Told of each batch once its section is complete, so that the tree can add its node. Every batch
    // the scan leaves in the list has been told this way, also when the scan fails: removing the
    // batches of those nodes removes everything the import added.
    std::function<void(TBatch &)> OnBatchAdded;

    // Adds the sheet's complete batches to the list, read with the conventions in force; returns how
    // many. Each batch keeps the device record of its own section and its reading rows as the sheet
    // holds them. A failed check code is announced, not raised; a section that ends before its batch
    // is complete is listed in Incomplete(). Any other failure ends the scan with an error; the
    // batches added up to then stay in the list.
    int ImportBatches(TSheet &sheet);
    // Reads the file (ReadBatchFile) and imports it, with the conventions it was written with: the
    // user's, or common ones that the batches' check codes confirm. A file without a complete batch
    // raises "No batch was found in the file.".
    void ImportFile(const QString &fileName);

    // The conventions the last import read with.
    const UserLocale &Conventions() const { return FConventions; }
    // What the user is told about them: that they were not the user's own, or that the dates may also
    // be read another way. Empty when there is nothing to tell.
    QString ConventionsNote() const;

    // The sections of the last import that ended before their batch was complete, one message each.
    const QStringList &Incomplete() const { return FIncomplete; }
    // The warning the application shows after such an import; empty when every section was complete.
    QString IncompleteWarning() const;

private:
    TBatches &FBatchList;
    TStatusLine &FStatus;
    Prompts &FPrompts;
    QStringList FIncomplete;
    UserLocale FConventions;
    bool FOwnConventions = true;
    std::optional<UserLocale> FOtherDates;
};

// Loads a batch file into the import sheet, by its content: a workbook when it starts with the
// compound file signature, comma-separated text otherwise, whatever its name.
void ReadBatchFile(const QString &fileName, TSheet &sheet, TStatusLine &status);
