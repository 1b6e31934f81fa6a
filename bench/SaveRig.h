#pragma once
// What the file benchmarks save: 100 batches of 100 readings of a meter of the newer firmware, and the
// save commands that write them as the application does. Made after the QCoreApplication.
#include "device/Communication.h"
#include "files/FileFixtures.h" // tests/files: the batches and meter record of the file tests
#include "files/SaveCommands.h"
#include "files/StatusLine.h"
#include "model/BatchSource.h"
#include "support/ScriptedPrompts.h"

#include <memory>

struct SaveRig {
    TQuietStatus status;
    ScriptedPrompts prompts;
    TdmCommunication comm{prompts};
    TMeterSource meter;
    QString lastSavePath;
    TSaveCommands save{comm, meter, lastSavePath, status, prompts};
    TBatches list;
    QList<TBatch *> batches;

    SaveRig()
    {
        meter.SetDeviceInfo(std::make_shared<TDeviceInfo>(Meter(QString::fromLatin1(NewerFirmware), true)));
        for (int i = 0; i < 100; ++i)
            batches << AddBatch(list, 100, QStringLiteral("Batch %1").arg(i), i);
    }

    void SaveAll(const QString &file)
    {
        prompts.Files = {file};
        save.SaveAllBatchesToOneFile(batches);
    }
};
