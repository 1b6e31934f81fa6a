#pragma once
// The QtTest data table the file tests share.

#include "FileFixtures.h"

#include <QTest>

// Test data: every firmware generation, with and without the Bresle offset, for 0, 1 and 100
// readings, under a decimal point and a decimal comma (columns firmware, bresle, count, comma).
inline void BatchVariants()
{
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<bool>("bresle");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("comma");
    for (const bool comma : {false, true})
        for (const int count : {0, 1, 100}) {
            const char *locale = comma ? "decimal comma" : "decimal point";
            QTest::addRow("older, %d, %s", count, locale) << OlderFirmware << false << count << comma;
            QTest::addRow("newer, %d, %s", count, locale) << NewerFirmware << false << count << comma;
            QTest::addRow("newer Bresle, %d, %s", count, locale) << NewerFirmware << true << count << comma;
        }
}
