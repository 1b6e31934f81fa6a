#include "files/FileSource.h"

#include "files/BatchImport.h"

TFileSource::TFileSource(const QString &fileName, QObject *parent)
    : TBatchSource(parent)
    , FFileName(fileName)
{}

void TFileSource::Import(TStatusLine &status, Prompts &prompts, const std::function<void(TBatch &)> &onBatchAdded)
{
    TBatchImport importer(Batches(), status, prompts);
    importer.OnBatchAdded = onBatchAdded;
    importer.ImportFile(FFileName);
    FConventionsNote = importer.ConventionsNote();
    FIncomplete = importer.Incomplete();
    FIncompleteWarning = importer.IncompleteWarning();
}
