#pragma once
// Record types and fixed values of the BIFF8 format (Excel 97 to 2003) that the engine reads or
// writes. Every record is a 16-bit type, a 16-bit length and at most MaxData bytes; longer data
// goes on in CONTINUE records.

#include <QtGlobal>

namespace Biff {

constexpr qsizetype MaxData = 8224;
constexpr quint16 Version8 = 0x0600;

// Substream types in BOF.
constexpr quint16 GlobalsStream = 0x0005;
constexpr quint16 WorksheetStream = 0x0010;

// First cell format that is not a style; the first 16 formats are styles and the default cell.
constexpr quint16 DefaultCellXf = 15;
constexpr quint16 FirstCustomFormat = 164;

enum Record : quint16 {
    Formula = 0x0006,
    Eof = 0x000A,
    CalcMode = 0x000D,
    Header = 0x0014,
    Footer = 0x0015,
    DateMode = 0x0022,
    LeftMargin = 0x0026,
    RightMargin = 0x0027,
    TopMargin = 0x0028,
    BottomMargin = 0x0029,
    PrintHeaders = 0x002A,
    PrintGridlines = 0x002B,
    FilePass = 0x002F,
    Font = 0x0031,
    Continue = 0x003C,
    DefColWidth = 0x0055,
    Window1 = 0x003D,
    CodePage = 0x0042,
    ColInfo = 0x007D,
    WsBool = 0x0081,
    BoundSheet = 0x0085,
    Setup = 0x00A1,
    MulRk = 0x00BD,
    MulBlank = 0x00BE,
    Rstring = 0x00D6,
    Xf = 0x00E0,
    Sst = 0x00FC,
    LabelSst = 0x00FD,
    ExtSst = 0x00FF,
    Dimensions = 0x0200,
    Blank = 0x0201,
    Number = 0x0203,
    Label = 0x0204,
    BoolErr = 0x0205,
    String = 0x0207,
    Window2 = 0x023E,
    Rk = 0x027E,
    Style = 0x0293,
    Format = 0x041E,
    Bof = 0x0809,
};

// BOF types of the formats before BIFF8 (BIFF2, BIFF3, BIFF4); BIFF5 shares 0x0809 with BIFF8.
constexpr quint16 Bof2 = 0x0009;
constexpr quint16 Bof3 = 0x0209;
constexpr quint16 Bof4 = 0x0409;

} // namespace Biff
