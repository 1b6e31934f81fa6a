#pragma once
// The workbook model of the spreadsheet engine: an ordered list of worksheets, each with a name, a
// page header, print settings and typed cells addressed by column and row from 0. It is read from
// and written to Excel 97 (BIFF8) files; the records live in XlsReader and XlsWriter.

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <map>
#include <utility>
#include <vector>

struct XlsCell {
    enum class Kind : quint8 { Empty, Integer, Number, DateTime, Text };

    Kind kind = Kind::Empty;
    // The kind says which holds the value; a large workbook has many cells, so they share the place.
    union {
        qint64 integer = 0; // Integer
        double number;      // Number and DateTime: the value, for DateTime a day number
    };
    QString text;   // Text
    QString format; // DateTime: the Excel number format code that shows it

    // Part of the import's rules: an integer as its digits, a number or date-time in its shortest
    // form with up to 15 significant digits, a text as it is, an empty cell as the empty text.
    QString asText(QChar decimalSeparator) const;
};

struct XlsPrintSettings {
    enum class Orientation { Portrait, Landscape };
    static constexpr quint16 PaperA4 = 9;

    Orientation orientation = Orientation::Portrait;
    quint16 paperSize = PaperA4;
    // Inches, as the format stores them.
    double leftMargin = 0.75;
    double rightMargin = 0.75;
    double topMargin = 1.0;
    double bottomMargin = 1.0;
    double headerMargin = 0.5;
    double footerMargin = 0.5;
    quint16 scale = 100; // percent
    quint16 firstPageNumber = 1;
    // 0 prints at the scale; otherwise the used columns are fitted to this many pages wide, as many
    // pages high as they take. Written only: a workbook read back prints at its scale.
    quint16 fitPagesWide = 0;

    bool operator==(const XlsPrintSettings &) const = default;
};

class XlsWorksheet {
public:
    // The format's bounds: 256 columns, 65536 rows.
    static constexpr int ColumnCount = 256;
    static constexpr int RowCount = 65536;
    static constexpr int MaxTextLength = 32767;
    static constexpr int MaxHeaderLength = 255;

    explicit XlsWorksheet(const QString &name);

    QString name() const { return FName; }
    void setName(const QString &name) { FName = name; }
    // The page header in the format's section codes ("&L", "&C", "&R", "&D", "&T", "&P", "&N").
    QString pageHeader() const { return FPageHeader; }
    void setPageHeader(const QString &text);
    // Column widths in characters of the default font: the default, and the columns set apart from it.
    quint16 defaultColumnWidth() const { return FDefaultColumnWidth; }
    void setDefaultColumnWidth(quint16 characters) { FDefaultColumnWidth = characters; }
    quint16 columnWidth(int column) const;
    void setColumnWidth(int column, quint16 characters);
    const std::map<int, quint16> &columnWidths() const { return FColumnWidths; }
    XlsPrintSettings &printSettings() { return FPrintSettings; }
    const XlsPrintSettings &printSettings() const { return FPrintSettings; }

    // Setters raise Error for a cell outside the worksheet or a value the format cannot hold.
    void setInteger(int column, int row, qint64 value);
    void setNumber(int column, int row, double value);
    void setDateTime(int column, int row, double dayNumber, const QString &formatCode);
    // An empty text leaves the cell empty.
    void setText(int column, int row, const QString &text);
    void setCell(int column, int row, XlsCell cell);

    // An empty cell for any position without a value, inside the worksheet or not.
    const XlsCell &cell(int column, int row) const;
    QString cellText(int column, int row, QChar decimalSeparator) const;

    // -1 while the worksheet holds no cell.
    int lastUsedRow() const;
    int lastUsedColumn() const { return FLastColumn; }
    int cellCount() const;

    // The cells with a value, in row order, then column order; keys are row * ColumnCount + column.
    using Entry = std::pair<quint32, XlsCell>;
    const std::vector<Entry> &cells() const;

private:
    static quint32 Key(int column, int row);
    // Cells arrive in order nearly always and are appended; any that did not are put in place
    // before the next look-up, the last value set for a position winning.
    void settle() const;

    QString FName;
    QString FPageHeader;
    XlsPrintSettings FPrintSettings;
    quint16 FDefaultColumnWidth = 8; // as spreadsheet programs have it
    std::map<int, quint16> FColumnWidths;
    mutable std::vector<Entry> FCells;
    mutable bool FSorted = true;
    mutable size_t FHint = 0; // index of the last cell found
    int FLastColumn = -1;
};

// Adding a worksheet leaves references to the others valid.
using XlsWorksheets = std::deque<XlsWorksheet>;

class XlsWorkbook {
public:
    // One empty worksheet named "Sheet1".
    XlsWorkbook();

    QString fileName() const { return FFileName; }
    void setFileName(const QString &fileName) { FFileName = fileName; }

    // Back to one empty worksheet with the default settings; the file name stays.
    void clear();

    // Write to or read from the file name; failures raise Error naming what went wrong. A failed
    // read leaves the workbook as it was.
    void write() const;
    void read();
    QByteArray toBytes() const;
    void fromBytes(const QByteArray &bytes);

    int sheetCount() const { return static_cast<int>(FSheets.size()); }
    XlsWorksheet &sheet(int index);
    const XlsWorksheet &sheet(int index) const;
    // A new empty worksheet at the end, named "Sheet" and its number. References to worksheets stay
    // valid until the workbook is cleared or read.
    XlsWorksheet &addSheet();

private:
    QString FFileName;
    XlsWorksheets FSheets;
};

// A worksheet name the format accepts, close to the wanted one and distinct (ignoring case) from the
// names already used: the characters : \ / ? * [ ] become '_', a leading or trailing apostrophe does
// too, repeats get " (2)", " (3)" and so on, and the result has at most 31 characters. An empty
// name becomes "Sheet" followed by the number of the worksheet it will name.
QString XlsValidSheetName(const QString &wanted, const QStringList &usedNames);
