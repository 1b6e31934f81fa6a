// The spreadsheet engine against xlrd: a combined workbook of 100 batch worksheets of 130 rows by
// 9 columns (labels, integers, decimals, dates, times), written and read by us, then opened and
// read in full by Python's xlrd. Goals: at least 20 times faster than xlrd, under 0.2 s each.
#include "Figure.h"
#include "xls/XlsWorkbook.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <malloc.h>

namespace {

constexpr int Sheets = 100, Rows = 130, Columns = 9;

void FillBatch(XlsWorksheet &sheet, int batch)
{
    const QString date = QStringLiteral("dd/mm/yyyy"), time = QStringLiteral("hh:mm:ss");
    for (int r = 0; r < 26; ++r) {
        sheet.setText(0, r, QStringLiteral("Label of row %1").arg(r));
        if (r % 3 == 0)
            sheet.setInteger(4, r, 1000 + r);
        else if (r % 3 == 1)
            sheet.setNumber(4, r, r / 10.0 + 0.05);
        else
            sheet.setText(5, r, QStringLiteral("µS/cm @ 25°C/77°F"));
    }
    // Row by row, as the application fills a report.
    for (int c = 0; c < Columns; ++c)
        sheet.setText(c, 26, QStringLiteral("Header %1").arg(c));
    for (int c = 0; c < Columns; ++c)
        sheet.setText(c, 27, QStringLiteral("(unit %1)").arg(c));
    for (int r = 28; r < Rows; ++r) {
        const int reading = r - 27;
        sheet.setInteger(0, r, reading);
        sheet.setDateTime(1, r, 41121 + batch, date);
        sheet.setDateTime(2, r, (36000 + 67 * reading) / 86400.0, time);
        sheet.setInteger(3, r, 900 + reading);
        sheet.setNumber(4, r, 21.4 + reading / 10.0);
        sheet.setNumber(5, r, 70.5 + reading / 10.0);
        sheet.setInteger(6, r, 970 + reading);
        sheet.setInteger(7, r, 1161 + reading);
        sheet.setText(8, r, reading % 10 ? QStringLiteral("---") : QStringLiteral("(Bresle)"));
    }
}

// Reads every cell as the import does.
qint64 ReadAll(const XlsWorkbook &book)
{
    qint64 characters = 0;
    for (int i = 0; i < book.sheetCount(); ++i) {
        const XlsWorksheet &sheet = book.sheet(i);
        for (int r = 0; r <= sheet.lastUsedRow(); ++r)
            for (int c = 0; c <= sheet.lastUsedColumn(); ++c)
                characters += sheet.cellText(c, r, u'.').size();
    }
    return characters;
}

double XlrdSeconds(const QString &file)
{
    const QString script = QStringLiteral("import sys, time, xlrd\n"
                                          "best = 1e9\n"
                                          "for run in range(3):\n"
                                          "    t = time.perf_counter()\n"
                                          "    book = xlrd.open_workbook(sys.argv[1], formatting_info=True)\n"
                                          "    for s in book.sheets():\n"
                                          "        for r in range(s.nrows):\n"
                                          "            for c in range(s.ncols):\n"
                                          "                s.cell(r, c).value\n"
                                          "    best = min(best, time.perf_counter() - t)\n"
                                          "print(best)\n");
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, file});
    if (!python.waitForFinished(600000) || python.exitCode() != 0)
        return -1;
    return python.readAllStandardOutput().trimmed().toDouble();
}

} // namespace

int main()
{
    // A long-running application keeps its heap; without this every run would pay again for the
    // operating system handing out fresh pages, which on a virtual machine costs more than the work.
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
    mallopt(M_MMAP_THRESHOLD, 512 * 1024 * 1024);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("combined.xls"));
    double fill = 1e9, write = 1e9, read = 1e9, coldWrite = 0, coldRead = 0;
    qint64 characters = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        XlsWorkbook book;
        book.setFileName(file);
        for (int s = 0; s < Sheets; ++s) {
            XlsWorksheet &sheet = s == 0 ? book.sheet(0) : book.addSheet();
            sheet.setName(QStringLiteral("Batch %1").arg(s));
            sheet.setPageHeader(QStringLiteral("&L&D  &T &C Batch Report: Batch %1 &R&P of &N").arg(s));
            FillBatch(sheet, s);
        }
        fill = qMin(fill, static_cast<double>(t.nsecsElapsed()) / 1e9);
        t.restart();
        book.write();
        const double written = static_cast<double>(t.nsecsElapsed()) / 1e9;

        t.restart();
        XlsWorkbook back;
        back.setFileName(file);
        back.read();
        characters = ReadAll(back);
        const double readBack = static_cast<double>(t.nsecsElapsed()) / 1e9;
        if (run == 0)
            coldWrite = written, coldRead = readBack;
        write = qMin(write, written);
        read = qMin(read, readBack);
    }
    const double xlrd = XlrdSeconds(file);
    std::printf("xls: write 100 x 130 x 9 cells to a file (%lld bytes)\t%.4f s\txlrd open and read %.3f s\t"
                "ratio %.1f (goal >= 20, < 0.2 s)\n",
                static_cast<long long>(QFileInfo(file).size()), write, xlrd, xlrd / write);
    std::printf("xls: read it, every cell as text (%lld characters)\t%.4f s\txlrd open and read %.3f s\t"
                "ratio %.1f (goal >= 20, < 0.2 s)\n",
                static_cast<long long>(characters), read, xlrd, xlrd / read);
    std::printf("xls: (filling the model %.4f s; first, cold run: write %.4f s, read %.4f s)\n", fill, coldWrite,
                coldRead);
    Figure("write a workbook of 100 sheets x 130 x 9 cells", write, "s", "xlrd reading it", xlrd,
           "<= 0.05, and < 0.2 s");
    Figure("read that workbook, every cell as text", read, "s", "xlrd reading it", xlrd, "<= 0.05, and < 0.2 s");
    return xlrd > 0 && write < 0.2 && read < 0.2 && xlrd / write >= 20 && xlrd / read >= 20 ? 0 : 1;
}
