#pragma once
// The three save commands: one batch, all batches into one file, all batches one by one. Each asks
// for the file, fetches what is missing from the meter, builds the report and writes it, and tells
// the user how it went. The main window, the batch window and vornell-cli share them.

#include <QList>
#include <QString>
#include <memory>
#include <optional>

class Prompts;
class TBatch;
class TDeviceInfo;
class TStatusLine;
class TdmCommunication;

class TSaveCommands {
public:
    TSaveCommands(TdmCommunication &comm, std::shared_ptr<TDeviceInfo> &deviceInfo, QString &lastSavePath,
                  TStatusLine &status, Prompts &prompts);

    // Shows its own messages; never raises.
    void SaveBatch(TBatch &batch);
    // Raises only what stops it before the first batch or while finishing the file.
    void SaveAllBatchesToOneFile(const QList<TBatch *> &batches);
    void SaveAllBatchesSeparately(const QList<TBatch *> &batches);

    // The name proposed for a combined file: TALVO_BATCHES_ year (two digits) - ISO week - ISO day.
    static QString CombinedFileName();

private:
    std::optional<QString> AskFile(const QString &proposed);
    void EnsureDeviceInfo();
    void EnsureReadings(TBatch &batch);

    TdmCommunication &FComm;
    std::shared_ptr<TDeviceInfo> &FDeviceInfo;
    QString &FLastSavePath;
    TStatusLine &FStatus;
    Prompts &FPrompts;
};
