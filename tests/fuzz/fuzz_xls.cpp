// Any bytes as a workbook: read, every cell taken as text, written again and read back. An error is
// fine; a crash, a hang, a sanitizer report or a workbook that changes on the way round is not.
#include "model/Errors.h"
#include "xls/XlsWorkbook.h"

#include <QDir>
#include <QFile>
#include <cstdlib>

namespace {

QStringList Texts(const XlsWorkbook &book)
{
    QStringList texts;
    for (int i = 0; i < book.sheetCount(); ++i)
        for (const auto &[key, cell] : book.sheet(i).cells())
            texts.append(QString::number(key) + u'=' + cell.asText(u','));
    return texts;
}

// With VORNELL_XLS_SEEDS set to a folder, our own workbooks go there as seeds for the corpus.
void WriteSeeds(const QString &folder)
{
    auto save = [&](const QString &name, const XlsWorkbook &book) {
        QFile file(QDir(folder).filePath(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(book.toBytes());
    };
    XlsWorkbook small;
    small.sheet(0).setText(0, 0, QStringLiteral("Serial Number"));
    small.sheet(0).setInteger(4, 0, 1234);
    small.sheet(0).setNumber(4, 1, 21.4);
    small.sheet(0).setDateTime(4, 2, 41121, QStringLiteral("dd/mm/yyyy"));
    small.sheet(0).setDateTime(4, 3, 0.427164351851852, QStringLiteral("hh:mm:ss"));
    small.sheet(0).setPageHeader(QStringLiteral("&L&D  &T &C Batch Report: Deck A &R&P of &N"));
    save(QStringLiteral("ours-small.xls"), small);

    XlsWorkbook several;
    for (int s = 0; s < 3; ++s) {
        XlsWorksheet &sheet = s == 0 ? several.sheet(0) : several.addSheet();
        sheet.setName(QStringLiteral("Batch %1 µ°²").arg(s));
        for (int r = 0; r < 40; ++r) {
            sheet.setText(0, r, QStringLiteral("Ω label %1 %2").arg(s).arg(r));
            sheet.setInteger(1, r, r * 1000 - 7);
            sheet.setNumber(2, r, r / 7.0);
            sheet.setNumber(3, r, 1e20 * r);
        }
    }
    save(QStringLiteral("ours-several.xls"), several);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (const char *folder = std::getenv("VORNELL_XLS_SEEDS"))
        WriteSeeds(QString::fromLocal8Bit(folder));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    XlsWorkbook book;
    try {
        book.fromBytes(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    } catch (const Error &) {
        return 0;
    }
    const QStringList texts = Texts(book);
    if (book.sheetCount() == 0)
        return 0;
    XlsWorkbook again;
    again.fromBytes(book.toBytes());
    if (Texts(again) != texts)
        std::abort();
    return 0;
}
