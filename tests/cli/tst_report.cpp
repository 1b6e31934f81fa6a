// vornell-cli report from the outside: the PDF of the demonstration meter's batches, read back with
// poppler's pdftotext, against figures this test computes from the batch file itself.
#include "support/CliRun.h"
#include "support/SimProcess.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <unistd.h>

namespace {

// One batch section of a comma-separated batch file, as this test reads it.
struct TSection {
    QMap<QString, QString> Values; // column 4 by the label in column 0
    QList<QStringList> Readings;
};

QStringList SplitCsv(const QString &line)
{
    QStringList cells{QString()};
    bool quoted = false;
    for (QChar c : line) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char(',') && !quoted)
            cells << QString();
        else
            cells.last() += c;
    }
    return cells;
}

QList<TSection> Sections(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<TSection> sections;
    bool inTable = false;
    for (const QByteArray &raw : f.readAll().split('\n')) {
        const QStringList cells = SplitCsv(QString::fromLatin1(raw).trimmed()); // Windows-1252 labels are ASCII
        if (cells[0] == QLatin1String("Serial Number"))
            sections << TSection();
        if (cells[0] == QLatin1String("Reading Table:"))
            inTable = true;
        else if (inTable && cells.join(QString()).isEmpty())
            inTable = false;
        else if (inTable && cells[0].toInt() > 0)
            sections.last().Readings << cells;
        else if (!inTable && cells.size() > 4 && !cells[0].isEmpty())
            sections.last().Values[cells[0]] = cells[4];
    }
    return sections;
}

QString Pdftotext(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool HasLine(const QString &text, const QString &pattern)
{
    return QRegularExpression(QStringLiteral("(^|\\s)") + pattern + QStringLiteral("(\\s|$)"),
                              QRegularExpression::MultilineOption)
        .match(text)
        .hasMatch();
}

QString Words(const QStringList &words)
{
    QStringList escaped;
    for (const QString &w : words)
        if (!w.isEmpty())
            escaped
                << QRegularExpression::escape(w.simplified()).replace(QStringLiteral("\\ "), QStringLiteral("\\s+"));
    return escaped.join(QStringLiteral("\\s+"));
}

// The statistics as the report must show them, of the Bresle values where the file has them, else of
// the surface densities: the mean and the spread with one decimal, an exact half rounded away from zero.
QList<std::pair<QString, QString>> Expected(const QList<QStringList> &readings, int limit)
{
    const bool bresle = std::any_of(readings.begin(), readings.end(),
                                    [](const QStringList &r) { return r.size() > 8 && !r[8].isEmpty(); });
    const int column = bresle ? 8 : 7;
    QList<qint64> v;
    for (const QStringList &r : readings)
        if (r[column] != QLatin1String("---"))
            v << r[column].toLongLong();
    const qint64 n = v.size();
    QList<std::pair<QString, QString>> lines{{"Readings", QString::number(n)}};
    if (n == 0) {
        lines << std::pair{"Mean", "---"} << std::pair{"Minimum", "---"} << std::pair{"Maximum", "---"};
    } else {
        const qint64 sum = std::accumulate(v.begin(), v.end(), qint64(0));
        const qint64 tenths = (20 * sum + n) / (2 * n); // the figures are never negative
        lines << std::pair{QStringLiteral("Mean"), QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10)}
              << std::pair{QStringLiteral("Minimum"), QString::number(*std::min_element(v.begin(), v.end()))}
              << std::pair{QStringLiteral("Maximum"), QString::number(*std::max_element(v.begin(), v.end()))};
    }
    if (n < 2) {
        lines << std::pair{"Standard deviation", "---"};
    } else {
        const double mean = std::accumulate(v.begin(), v.end(), 0.0) / n;
        double squares = 0;
        for (qint64 x : v)
            squares += (x - mean) * (x - mean);
        lines << std::pair{QStringLiteral("Standard deviation"),
                           QString::number(std::round(std::sqrt(squares / (n - 1)) * 10) / 10, 'f', 1)};
    }
    lines << std::pair{QStringLiteral("Above limit"),
                       QString::number(std::count_if(v.begin(), v.end(), [&](qint64 x) { return x > limit; }))};
    return lines;
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void reportOfTheDemoFile_data();
    void reportOfTheDemoFile();
    void fahrenheitMeterGivesTheFilesFigures();
    void reportCarriesFailuresAndGoesOn();
    void failedBatchIsUnmistakable();
    void reportNeverWritesOverAnInput_data();
    void reportNeverWritesOverAnInput();
    void badArgumentsWriteNothing();

private:
    QString DemoFile(const QString &firmware, const QString &format) const
    {
        return FDir.filePath(QStringLiteral("three%1.%2").arg(firmware, format));
    }

    QTemporaryDir FDir;
    QString FCsv; // of the demonstration meter
};

void TestReport::initTestCase()
{
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
             "pdftotext (poppler-utils, scripts/deps) is needed");
    // The three-batch demo file: a batch with readings outside 5-50 °C, a short one and an empty one,
    // from the demonstration meter (Bresle values) and from one of the older generation.
    for (const QString &firmware : {QString(), QStringLiteral("2.06S01")}) {
        SimProcess sim(firmware.isEmpty() ? QStringList() : QStringList{QStringLiteral("--firmware"), firmware});
        for (const QString &format : {QStringLiteral("CSV"), QStringLiteral("XLS")})
            QCOMPARE(Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("export"), QStringLiteral("--batch"),
                          QStringLiteral("2"), QStringLiteral("--batch"), QStringLiteral("3"),
                          QStringLiteral("--batch"), QStringLiteral("5"), DemoFile(firmware, format)})
                         .Status,
                     0);
    }
    FCsv = DemoFile({}, QStringLiteral("CSV"));
}

void TestReport::reportOfTheDemoFile_data()
{
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QString>("format");
    QTest::newRow("Bresle, text") << QString() << QStringLiteral("CSV");
    QTest::newRow("Bresle, workbook") << QString() << QStringLiteral("XLS");
    QTest::newRow("older, text") << QStringLiteral("2.06S01") << QStringLiteral("CSV");
    QTest::newRow("older, workbook") << QStringLiteral("2.06S01") << QStringLiteral("XLS");
}

void TestReport::reportOfTheDemoFile()
{
    QFETCH(QString, firmware);
    QFETCH(QString, format);
    const QString file = DemoFile(firmware, format);
    const QString pdf = FDir.filePath(firmware + format + QStringLiteral(".pdf"));
    const Run r = Cli({QStringLiteral("report"), QStringLiteral("--limit"), QStringLiteral("250"),
                       QStringLiteral("--output"), pdf, file});
    QCOMPARE(r.Status, 0);
    QCOMPARE(r.Out, QStringLiteral("%1\tHULL PORT 1\tPassed\n%1\tTANK 3\tPassed\n%1\tEMPTY\tPassed\n").arg(file));

    const QStringList pages = Pdftotext(pdf).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    const QString text = pages.join(QLatin1Char('\n'));
    QVERIFY(pages.size() >= 3);
    for (qsizetype i = 0; i < pages.size(); ++i) {
        QVERIFY2(pages[i].contains(QStringLiteral("Page %1 of %2").arg(i + 1).arg(pages.size())), qPrintable(pages[i]));
        // The column titles stand on every page that holds readings.
        QVERIFY(pages[i].contains(QStringLiteral("Conductivity @")));
        QVERIFY(pages[i].contains(QStringLiteral("25°C/77°F (µS/cm)")));
    }

    // The batch file in its comma-separated form is the reference for either format.
    const QList<TSection> sections = Sections(DemoFile(firmware, QStringLiteral("CSV")));
    QCOMPARE(sections.size(), 3);
    for (const TSection &s : sections) {
        const QString name = s.Values.value(QStringLiteral("Batch name")).trimmed();
        const auto first = std::find_if(pages.begin(), pages.end(), [&](const QString &p) {
            return HasLine(p, Words({QStringLiteral("Batch Name"), name}));
        });
        QVERIFY2(first != pages.end(), qPrintable(name));
        const QString page = *first;
        for (const auto &[label, key] : {std::pair{"Batch ID", "Batch ID"},
                                         {"Creation Date", "Batch creation date"},
                                         {"Creation Time", "Batch creation time"},
                                         {"Maximum Readings", "Batch maximum # of readings"},
                                         {"Number of Readings", "Batch # of readings"},
                                         {"Serial Number", "Serial Number"},
                                         {"Software Version", "Software Version"},
                                         {"Config version", "Config version"}})
            QVERIFY2(HasLine(page, Words({QString::fromLatin1(label), s.Values.value(QString::fromLatin1(key))})),
                     qPrintable(name + QStringLiteral(": ") + QString::fromLatin1(label)));
        // The code the file holds, and the code of the figures as they stand: the same for an intact file.
        for (const char *label : {"Code in the file", "Code of the figures"})
            QVERIFY(HasLine(
                page, Words({QString::fromLatin1(label), s.Values.value(QStringLiteral("Batch Check Code")).mid(1)})));
        QVERIFY(HasLine(page, Words({QStringLiteral("Batch Code Check"), QStringLiteral("Passed")})));
        QVERIFY(HasLine(page, Words({QStringLiteral("Compensation Factor"), QStringLiteral("2.0 %/°C")})));
        QVERIFY(HasLine(page, Words({QStringLiteral("Acceptance limit"), QStringLiteral("250 mg/m²")})));
        for (const auto &[label, value] : Expected(s.Readings, 250))
            QVERIFY2(HasLine(page, Words({label, value})),
                     qPrintable(name + QStringLiteral(": ") + label + ' ' + value));
        // Every reading's figures, in the order of the file, on a line of their own.
        for (const QStringList &reading : s.Readings)
            QVERIFY2(HasLine(text, QStringLiteral("^\\s*") + Words(reading) + QStringLiteral("\\s*$")),
                     qPrintable(reading.join(QLatin1Char(','))));
        if (s.Readings.isEmpty())
            QVERIFY(HasLine(page, Words({QStringLiteral("This Batch has no readings!.")})));
    }
}

void TestReport::fahrenheitMeterGivesTheFilesFigures()
{
    // A meter that reports in °F: the file holds its figures (60.0 °F is 15.6 °C, a Bresle value of
    // 1476), and show and the report give those, not figures derived again from the rounded °C text.
    SimProcess sim({QStringLiteral("--state"), QStringLiteral(FIXTURES "/sim/fahrenheit.json")});
    const QString file = FDir.filePath(QStringLiteral("fahrenheit.CSV"));
    QCOMPARE(Cli({QStringLiteral("--device"), sim.Path, QStringLiteral("export"), QStringLiteral("--batch"),
                  QStringLiteral("3"), file})
                 .Status,
             0);
    QCOMPARE(Cli({QStringLiteral("verify"), file}).Out, file + QStringLiteral("\tDECK F\tPassed\n"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QStringList fileLines;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.size() > 0 && line[0] >= '1' && line[0] <= '9')
            fileLines << QString::fromLatin1(line).trimmed();
    QCOMPARE(fileLines.size(), 7);
    QVERIFY(fileLines[3].endsWith(QStringLiteral(",60.0,1229,1472,1476")));
    const Run shown = Cli({QStringLiteral("show"), file});
    QCOMPARE(shown.Status, 0);
    QStringList shownLines = shown.Out.split(QLatin1Char('\n'));
    shownLines = shownLines.filter(QRegularExpression(QStringLiteral("^[1-9][0-9]*,")));
    QCOMPARE(shownLines, fileLines);

    const QString pdf = FDir.filePath(QStringLiteral("fahrenheit.pdf"));
    QCOMPARE(Cli({QStringLiteral("report"), QStringLiteral("--limit"), QStringLiteral("1475"),
                  QStringLiteral("--output"), pdf, file})
                 .Status,
             0);
    const QString text = Pdftotext(pdf);
    const TSection s = Sections(file).first();
    for (const auto &[label, value] : Expected(s.Readings, 1475))
        QVERIFY2(HasLine(text, Words({label, value})), qPrintable(label + ' ' + value));
    QVERIFY(HasLine(text, Words({QStringLiteral("Above limit"), QStringLiteral("2")}))); // 1476 and 1602
    for (const QStringList &reading : s.Readings)
        QVERIFY2(HasLine(text, QStringLiteral("^\\s*") + Words(reading) + QStringLiteral("\\s*$")),
                 qPrintable(reading.join(QLatin1Char(','))));
}

void TestReport::reportCarriesFailuresAndGoesOn()
{
    // An altered batch is reported as "Failed"; a file that cannot be read is named and the others are
    // still reported.
    QFile in(FCsv);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QByteArray bytes = in.readAll();
    bytes.replace("TANK 3", "TANK 4");
    const QString altered = FDir.filePath(QStringLiteral("altered.CSV"));
    QFile out(altered);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    out.close();
    const QString pdf = FDir.filePath(QStringLiteral("altered.pdf"));
    const Run failed = Cli({QStringLiteral("report"), QStringLiteral("--output"), pdf, altered});
    QCOMPARE(failed.Status, 1);
    QVERIFY(failed.Out.contains(QStringLiteral("TANK 4\tFailed")));
    const QString text = Pdftotext(pdf);
    QVERIFY(HasLine(text, Words({QStringLiteral("Batch Name"), QStringLiteral("TANK 4")})));
    QVERIFY(HasLine(text, Words({QStringLiteral("Batch Code Check"), QStringLiteral("Failed")})));
    QVERIFY(!text.contains(QStringLiteral("Above limit"))); // no limit given

    const QString missing = FDir.filePath(QStringLiteral("missing.CSV"));
    const Run partly = Cli({QStringLiteral("report"), QStringLiteral("--output"), pdf, missing, FCsv});
    QCOMPARE(partly.Status, 2);
    QVERIFY(partly.Err.contains(missing));
    QCOMPARE(partly.Out.count(QLatin1Char('\n')), 3);
    QVERIFY(HasLine(Pdftotext(pdf), Words({QStringLiteral("Batch Name"), QStringLiteral("EMPTY")})));
}

void TestReport::failedBatchIsUnmistakable()
{
    // An altered batch of many readings, a file that is not there and one cut short before its
    // second batch: every page of the altered batch says its check failed, with the code the file
    // holds and the code of its figures; the first page names every file and what was left out.
    QFile in(FCsv);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    QByteArray changed = bytes;
    changed.replace("HULL PORT 1", "HULL PORT 9");
    const QString altered = FDir.filePath(QStringLiteral("hull.CSV"));
    const QString cut = FDir.filePath(QStringLiteral("cut.CSV"));
    const QString missing = FDir.filePath(QStringLiteral("gone.CSV"));
    for (const auto &[file, content] :
         {std::pair{altered, changed},
          std::pair{cut, bytes.left(bytes.indexOf("Batch name", bytes.indexOf("TANK 3")))}}) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
    }
    const QString pdf = FDir.filePath(QStringLiteral("unmistakable.pdf"));
    const Run r = Cli({QStringLiteral("report"), QStringLiteral("--output"), pdf, altered, missing, cut});
    QCOMPARE(r.Status, 2);
    QVERIFY(r.Out.contains(QStringLiteral("HULL PORT 9\tFailed")));
    const QStringList pages = Pdftotext(pdf).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    const QString banner = QStringLiteral("Batch check code failed: the figures of this batch may have been altered");
    int altered_pages = 0;
    for (const QString &page : pages) {
        const bool ofAltered = page.contains(QStringLiteral("Inspection Report: HULL PORT 9"));
        altered_pages += ofAltered;
        QVERIFY2(page.simplified().contains(banner) == ofAltered, qPrintable(page));
    }
    QVERIFY(altered_pages >= 2); // 100 readings take more than one page
    const QString stored = Sections(altered).first().Values.value(QStringLiteral("Batch Check Code")).mid(1);
    QVERIFY(HasLine(pages[0], Words({QStringLiteral("Code in the file"), stored})));
    const QRegularExpression figures(QStringLiteral("Code of the figures\\s+([0-9A-F]{8})"));
    const auto m = figures.match(pages[0]);
    QVERIFY(m.hasMatch());
    QVERIFY(m.captured(1) != stored);
    QVERIFY(HasLine(pages[0], Words({QStringLiteral("Batch Code Check"), QStringLiteral("Failed")})));
    // The inputs and what was left out, on the first page only.
    QVERIFY(pages[0].contains(QStringLiteral("Made from")));
    for (const QString &file : {altered, missing, cut})
        QVERIFY2(pages[0].contains(file), qPrintable(file));
    QVERIFY(pages[0].contains(QStringLiteral("Left out")));
    QVERIFY(pages[0].contains(missing + QStringLiteral(": could not be read: Could not read data from csv file.")));
    QVERIFY(pages[0].simplified().contains(cut + QStringLiteral(": A section of the file has no \"Batch name\" row.")));
    QVERIFY(!pages[1].contains(QStringLiteral("Made from")));
}

void TestReport::reportNeverWritesOverAnInput_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("how"); // how the output names the input
    for (const char *format : {"CSV", "XLS"})
        for (const char *how : {"same name", "other spelling", "symbolic link", "hard link", "second input"})
            QTest::addRow("%s, %s", format, how) << QString::fromLatin1(format) << QString::fromLatin1(how);
}

void TestReport::reportNeverWritesOverAnInput()
{
    QFETCH(QString, format);
    QFETCH(QString, how);
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("same.") + format);
    QVERIFY(QFile::copy(DemoFile({}, format), input));
    const QByteArray before = [&] {
        QFile f(input);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QString output = input;
    QStringList inputs{input};
    if (how == QLatin1String("other spelling")) {
        output = dir.path() + QStringLiteral("/../") + QFileInfo(dir.path()).fileName() + QStringLiteral("/./same.") +
                 format;
    } else if (how == QLatin1String("symbolic link")) {
        output = dir.filePath(QStringLiteral("link.pdf"));
        QVERIFY(QFile::link(input, output));
    } else if (how == QLatin1String("hard link")) {
        output = dir.filePath(QStringLiteral("hard.pdf"));
        QCOMPARE(::link(QFile::encodeName(input).constData(), QFile::encodeName(output).constData()), 0);
    } else if (how == QLatin1String("second input")) {
        inputs.prepend(FCsv);
    }
    const QStringList entries = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const Run r = Cli(QStringList{QStringLiteral("report"), QStringLiteral("--output"), output} + inputs);
    QCOMPARE(r.Status, 2);
    QVERIFY2(r.Err.contains(QStringLiteral("would write over its input file")), qPrintable(r.Err));
    QFile f(input);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), entries);
}

void TestReport::badArgumentsWriteNothing()
{
    const QString pdf = FDir.filePath(QStringLiteral("kept.pdf"));
    QFile kept(pdf);
    QVERIFY(kept.open(QIODevice::WriteOnly));
    kept.write("an earlier report");
    kept.close();
    const QStringList bad[] = {
        {QStringLiteral("report"), QStringLiteral("--limit"), QStringLiteral("2.5"), QStringLiteral("--output"), pdf,
         FCsv},
        {QStringLiteral("report"), FCsv},
        {QStringLiteral("report"), QStringLiteral("--output"), pdf},
        {QStringLiteral("report"), QStringLiteral("--output"), pdf, FDir.filePath(QStringLiteral("missing.CSV"))},
        {QStringLiteral("report"), QStringLiteral("--output"), pdf, QStringLiteral("--output"), pdf, FCsv},
    };
    for (const QStringList &args : bad) {
        const Run r = Cli(args);
        QCOMPARE(r.Status, 2);
        QVERIFY(!r.Err.isEmpty());
    }
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("an earlier report"));
    // A repeated option is named; the limit's range is told in the help.
    QVERIFY(Cli(bad[4]).Err.contains(QStringLiteral("--output given more than once")));
    QVERIFY(Cli({QStringLiteral("report"), QStringLiteral("--help")}).Out.contains(QStringLiteral("from 1 to 9999")));
}

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
