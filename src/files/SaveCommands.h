#pragma once
// The three save commands: one batch, all batches into one file, all batches one by one. Each asks
// for the file, fetches what is missing from the meter, builds the report and writes it, and tells
// the user how it went. The main window, the batch window and vornell-cli share them.

#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

class Prompts;
class TBatch;
class TDeviceInfo;
class TSheet;
class TStatusLine;
class TMeterSource;
class TdmCommunication;

// The save dialog of batch and properties files, opening in the last save folder with the proposed
// name; a chosen file's folder becomes the last save folder. Nothing when the user cancelled.
std::optional<QString> AskSaveFile(Prompts &prompts, QString &lastSavePath, const QString &proposed);

class TSaveCommands {
public:
    // A batch is saved with its own device record; a meter batch whose record is not valid gets the
    // meter's, read first.
    TSaveCommands(TdmCommunication &comm, TMeterSource &meter, QString &lastSavePath, TStatusLine &status,
                  Prompts &prompts);

    // Shows its own messages; never raises.
    void SaveBatch(TBatch &batch);
    // Raises only what stops it before the first batch or while finishing the file.
    void SaveAllBatchesToOneFile(const QList<TBatch *> &batches);
    void SaveAllBatchesSeparately(const QList<TBatch *> &batches);

    // The name proposed for a combined file: TALVO_BATCHES_ year (two digits) - ISO week - ISO day.
    static QString CombinedFileName();

private:
    std::optional<QString> AskFile(const QString &proposed);
    void EnsureDeviceInfo(TBatch &batch);
    void EnsureReadings(TBatch &batch);
    // One batch to a file of its own; `named` puts the batch's name in a warning. False when the
    // line to the meter is gone, so that no further batch is tried.
    bool SaveOne(TBatch &batch, bool named);
    static QString NotSaved(const TBatch &batch, const std::exception &e);
    // Stopped: the line to the meter is gone; no further batch is tried.
    enum class TSection { Written, Failed, Stopped };
    // One batch's section of a combined file: readings fetched, sheet built, written by write. A
    // failure is shown as that batch's warning.
    TSection WriteSection(TBatch &batch, TSheet &sheet, const std::function<void()> &write);
    void SaveCombinedCsv(const QString &file, const QList<TBatch *> &batches);
    void SaveCombinedWorkbook(const QString &file, const QList<TBatch *> &batches);

    TdmCommunication &FComm;
    TMeterSource &FMeter;
    QString &FLastSavePath;
    TStatusLine &FStatus;
    Prompts &FPrompts;
};
