// The sheet and its comma-separated row rule, and the batch check code calculator.
#include "files/CRC32.h"
#include "files/Sheet.h"

#include <QtTest>

class TestSheet : public QObject {
    Q_OBJECT
private slots:
    void splitsByTheRowRule_data();
    void splitsByTheRowRule();
    void emptyLines_data();
    void emptyLines();
    void fillRowDropsAndClears();
    void rowTextQuotesWhatWouldSplit_data();
    void rowTextQuotesWhatWouldSplit();
    void rowTextReadsBackAsTheCells();
    void columnsAndRows();
    void crcKnownValues_data();
    void crcKnownValues();
    void crcFeedsNoSeparators();
};

void TestSheet::splitsByTheRowRule_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("empty text has no items") << "" << QStringList();
    QTest::newRow("blanks only") << "   " << QStringList();
    QTest::newRow("one item") << "abc" << QStringList{"abc"};
    QTest::newRow("trailing comma adds an empty item") << "a," << QStringList{"a", ""};
    QTest::newRow("eight commas are nine items") << ",,,,,,,," << QStringList(9, QString());
    QTest::newRow("blanks around items skipped") << "  a ,\t b\t,c  " << QStringList{"a", "b", "c"};
    QTest::newRow("blank ends an unquoted item") << "Reading Table:,x" << QStringList{"Reading", "Table:", "x"};
    QTest::newRow("quoted item keeps blanks and commas") << "\" a, b \",c" << QStringList{" a, b ", "c"};
    QTest::newRow("doubled quote stands for one") << "\"say \"\"hi\"\"\"," << QStringList{"say \"hi\"", ""};
    QTest::newRow("unterminated quote runs to the end") << "\"abc,def" << QStringList{"abc,def"};
    QTest::newRow("text after a closing quote is an item") << "\"ab\"cd,e" << QStringList{"ab", "cd", "e"};
    QTest::newRow("control characters are blanks") << "\x01"
                                                      "a\x1f,\rb"
                                                   << QStringList{"a", "b"};
    QTest::newRow("unit row") << QString::fromUtf8(", , , (µS/cm), (°C), (°F),  \"25°C/77°F (µS/cm)\", (mg/m²)")
                              << QStringList{"",
                                             "",
                                             "",
                                             QString::fromUtf8("(µS/cm)"),
                                             QString::fromUtf8("(°C)"),
                                             QString::fromUtf8("(°F)"),
                                             QString::fromUtf8("25°C/77°F (µS/cm)"),
                                             QString::fromUtf8("(mg/m²)")};
}

void TestSheet::splitsByTheRowRule()
{
    QFETCH(QString, text);
    QFETCH(QStringList, items);
    QCOMPARE(SplitCommaText(text), items);
    QCOMPARE(FieldCount(text), items.size());
}

void TestSheet::emptyLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("empty");
    QTest::newRow("empty text") << "" << true;
    QTest::newRow("eight commas") << ",,,,,,,," << true;
    QTest::newRow("unquoted blanks are empty items") << " , , , " << true;
    QTest::newRow("a quoted blank differs from an empty item") << " , ,\" \", " << false;
    QTest::newRow("same text in every item") << "x,X,x" << false;
    QTest::newRow("only control characters, repeated") << "\"\t\",\"\t\"" << true;
    QTest::newRow("label") << "\"Reading Table:\",,,,,,,," << false;
    QTest::newRow("unit in last column") << ",,,,,,,,(Bresle)" << false;
}

void TestSheet::emptyLines()
{
    QFETCH(QString, text);
    QFETCH(bool, empty);
    QCOMPARE(IsEmptyLine(text), empty);
}

void TestSheet::fillRowDropsAndClears()
{
    TSheet sheet(4, 2);
    sheet.SetCell(3, 1, QStringLiteral("old"));
    sheet.FillRow(1, QStringLiteral("a,\" \",,d,e,f"));
    // A quoted single blank is emptied; items beyond the last column are dropped.
    QCOMPARE(sheet.Row(1), (QStringList{"a", "", "", "d"}));
    sheet.FillRow(1, QStringLiteral("z"));
    QCOMPARE(sheet.Row(1), (QStringList{"z", "", "", ""}));
    QVERIFY(sheet.Row(0) == QStringList(4, QString()));
}

void TestSheet::rowTextQuotesWhatWouldSplit_data()
{
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty row") << QStringList(9, QString()) << ",,,,,,,,";
    QTest::newRow("blank inside") << QStringList{"Reading Table:"} << "\"Reading Table:\",,,,,,,,";
    QTest::newRow("twelve letters unquoted") << QStringList{"", "", "", "", "ABCDEFGHIJKL"} << ",,,,ABCDEFGHIJKL,,,,";
    QTest::newRow("comma and quote") << QStringList{"1,5", "a\"b"} << "\"1,5\",\"a\"\"b\",,,,,,,";
    QTest::newRow("control character") << QStringList{"a\tb"} << "\"a\tb\",,,,,,,,";
    QTest::newRow("apostrophe is plain") << QStringList{"'0A1B2C3D"} << "'0A1B2C3D,,,,,,,,";
}

void TestSheet::rowTextQuotesWhatWouldSplit()
{
    QFETCH(QStringList, cells);
    QFETCH(QString, text);
    TSheet sheet(9, 1);
    for (int col = 0; col < cells.size(); ++col)
        sheet.SetCell(col, 0, cells[col]);
    QCOMPARE(sheet.RowText(0), text);
}

void TestSheet::rowTextReadsBackAsTheCells()
{
    const QStringList cells{" lead", "trail ", "", "\"q\"", "a,b", "x y", QString::fromUtf8("µ°²"), "-", "\x01"};
    TSheet sheet(9, 2);
    for (int col = 0; col < cells.size(); ++col)
        sheet.SetCell(col, 0, cells[col]);
    sheet.FillRow(1, sheet.RowText(0));
    QCOMPARE(sheet.Row(1), cells);
}

void TestSheet::columnsAndRows()
{
    TSheet sheet(3, 1);
    sheet.AddRows(2);
    QCOMPARE(sheet.RowCount(), 3);
    sheet.SetCell(2, 2, QStringLiteral("c"));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, sheet.SetCell(3, 2, QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, sheet.SetCell(0, 3, QStringLiteral("x")));
    sheet.SetCell(7, 2, QString()); // emptying a cell beyond the columns changes nothing
    sheet.SetColCount(2);
    QCOMPARE(sheet.Row(2), (QStringList{"", ""}));
    sheet.Clear();
    QCOMPARE(sheet.RowCount(), 0);
    QCOMPARE(sheet.ColCount(), 2);
}

void TestSheet::crcKnownValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("code");
    QTest::newRow("nothing") << ""
                             << "00000000";
    QTest::newRow("check value") << "123456789"
                                 << "CBF43926";
    QTest::newRow("leading zero kept") << "a"
                                       << "E8B7BE43";
    // µ is the one byte 0xB5 of Windows-1252, not its two UTF-8 bytes.
    QTest::newRow("single-byte micro") << QString::fromUtf8("µ") << "6909A88E";
}

void TestSheet::crcKnownValues()
{
    QFETCH(QString, text);
    QFETCH(QString, code);
    TCRC32 crc;
    crc.AddString(text);
    QCOMPARE(crc.CRCText(), code);
    crc.Reset();
    const QByteArray bytes = text.toLatin1();
    crc.AddBuffer(bytes.constData(), bytes.size());
    QCOMPARE(crc.CRCText(), code);
}

void TestSheet::crcFeedsNoSeparators()
{
    TCRC32 a;
    a.AddStrings({"12", "", "345"});
    a.AddStrings({});
    a.AddStrings({"6789"});
    QCOMPARE(a.CRCText(), QStringLiteral("CBF43926"));
    TCRC32 b;
    b.AddStrings({"12", "346", "789"});
    QVERIFY(a.CRCText() != b.CRCText());
}

QTEST_GUILESS_MAIN(TestSheet)
#include "tst_sheet.moc"
