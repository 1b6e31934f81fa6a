#pragma once
// One imported file as a source of batches: each batch with the device record of its own section and
// its reading rows as the file holds them. Imported batches never change.

#include "model/BatchSource.h"

#include <QString>
#include <QStringList>
#include <functional>

class Prompts;
class TStatusLine;

class TFileSource : public TBatchSource {
    Q_OBJECT
public:
    explicit TFileSource(const QString &fileName, QObject *parent = nullptr);

    // Imports the file (TBatchImport::ImportFile); onBatchAdded is told of each batch as it comes.
    // Raises what the import raises; the batches added until then stay.
    void Import(TStatusLine &status, Prompts &prompts, const std::function<void(TBatch &)> &onBatchAdded = {});

    const QString &FileName() const { return FFileName; }
    // How the file was read, when that is not with the user's conventions; empty otherwise.
    const QString &ConventionsNote() const { return FConventionsNote; }
    // The sections left out because they ended before their batch was complete.
    const QStringList &Incomplete() const { return FIncomplete; }
    QString IncompleteWarning() const { return FIncompleteWarning; }

private:
    QString FFileName;
    QString FConventionsNote;
    QStringList FIncomplete;
    QString FIncompleteWarning;
};
