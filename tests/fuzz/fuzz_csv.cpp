// Any file as a batch file: read and imported; an error is fine, a crash or a hang is not.
#include "files/BatchImport.h"
#include "files/CsvFile.h"
#include "files/Sheet.h"
#include "files/StatusLine.h"
#include "model/Batches.h"
#include "model/DeviceInfo.h"
#include "support/ScriptedPrompts.h"

#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("input.CSV"));
    {
        QFile f(name);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    }
    TQuietStatus status;
    ScriptedPrompts prompts;
    TBatches batches;
    try {
        TSheet sheet(8, 1);
        ReadCsvFile(name, sheet, status);
        TBatchImport importer(batches, status, prompts);
        importer.ImportBatches(sheet);
    } catch (const std::exception &) {
    }
    return 0;
}
