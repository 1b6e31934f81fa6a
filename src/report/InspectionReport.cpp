#include "report/InspectionReport.h"

#include "files/FileReplacement.h"
#include "model/Batches.h"
#include "model/Conversions.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"
#include "model/ReadingTable.h"
#include "report/BatchChart.h"

#include <QDir>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <filesystem>
#include <functional>
#include <memory>
#include <numeric>
#include <utility>
#include <vector>

namespace {

using TLines = QList<std::pair<QString, QString>>;
using TPaint = std::function<void(QPainter &)>;

const QColor RuleColor(0x80, 0x80, 0x80);
const QColor TitleFill(0xe4, 0xe7, 0xeb);
const QColor StripeFill(0xf4, 0xf5, 0xf7);

QFont SizedFont(double points, bool bold = false)
{
    QFont f;
    f.setPointSizeF(points);
    f.setBold(bold);
    // Without ligatures, so that the text of a PDF reads as it was written ("fi", not one glyph).
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

// Lays the pages out first, as lists of paint steps, so that every footer knows the page count.
class TLayout {
public:
    explicit TLayout(QPagedPaintDevice &device)
        : FDevice(device)
        , Mm(device.logicalDpiY() / 25.4)
        , Width(device.width())
        , Bottom(device.height() - Metrics(FooterFont).height() * 2.2)
    {}

    const QFont TitleFont = SizedFont(16, true);
    const QFont HeadingFont = SizedFont(10, true);
    const QFont BodyFont = SizedFont(9);
    const QFont FooterFont = SizedFont(7.5);

private:
    struct TPage {
        QString BatchName;
        std::vector<TPaint> Steps;
    };
    QPagedPaintDevice &FDevice;
    std::vector<TPage> FPages;

public:
    const double Mm; // device units per millimetre
    const double Width;
    const double Bottom; // of the space above the footer
    double Y = 0;

    QFontMetricsF Metrics(const QFont &font) const { return QFontMetricsF(font, &FDevice); }

    // The banner every page of the batch laid out now carries; empty for none.
    QString Banner;

    void NewPage(const QString &batchName)
    {
        FPages.push_back({batchName, {}});
        Y = 0;
        if (Banner.isEmpty())
            return;
        const QFont font = HeadingFont;
        const QFontMetricsF fm = Metrics(font);
        const QRectF box(0, 0, Width,
                         fm.boundingRect(QRectF(0, 0, Width - Mm * 6, 1e6), Qt::TextWordWrap, Banner).height() +
                             Mm * 4);
        const QString text = Banner;
        const double mm = Mm;
        Add([=](QPainter &p) {
            p.fillRect(box, QColor(0xfd, 0xe2, 0xe1));
            p.setPen(QPen(QColor(0xb0, 0x1e, 0x1e), mm * 0.6));
            p.drawRect(box);
            p.setPen(QColor(0x80, 0x00, 0x00));
            p.setFont(font);
            p.drawText(box.adjusted(mm * 3, mm * 2, -mm * 3, -mm * 2),
                       Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text);
        });
        Y = box.height() + Mm * 4;
    }
    void Add(TPaint step) { FPages.back().Steps.push_back(std::move(step)); }
    bool Fits(double height) const { return Y + height <= Bottom; }

    // One line of text; the layout moves down by its height.
    void Text(const QFont &font, const QString &text)
    {
        const QRectF box(0, Y, Width, Metrics(font).height());
        Add([=](QPainter &p) {
            p.setFont(font);
            p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
        });
        Y += box.height();
    }

    // A bold heading with a rule under it.
    void Heading(const QString &text, double x, double width)
    {
        const QRectF box(x, Y, width, Metrics(HeadingFont).height());
        const QFont font = HeadingFont;
        const double rule = Mm * 0.2, gap = Mm * 0.4;
        Add([=](QPainter &p) {
            p.setFont(font);
            p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
            p.setPen(QPen(RuleColor, rule));
            p.drawLine(QPointF(box.left(), box.bottom() + gap), QPointF(box.right(), box.bottom() + gap));
        });
        Y += box.height() + Mm * 1.5;
    }

    // Labels and their values in two columns from x; returns the height taken and leaves Y as it was.
    double Pairs(const TLines &lines, double x, double width)
    {
        const QFontMetricsF fm = Metrics(BodyFont);
        double labelWidth = 0;
        for (const auto &[label, value] : lines)
            labelWidth = std::max(labelWidth, fm.horizontalAdvance(label));
        const double h = fm.height() * 1.25;
        const QFont font = BodyFont;
        double y = Y;
        for (const auto &[label, value] : lines) {
            const QRectF labelBox(x, y, labelWidth, h), valueBox(x + labelWidth + Mm * 4, y, width - labelWidth, h);
            Add([=](QPainter &p) {
                p.setFont(font);
                p.setPen(QColor(0x40, 0x40, 0x40));
                p.drawText(labelBox, Qt::AlignLeft | Qt::AlignVCenter, label);
                p.setPen(Qt::black);
                p.drawText(valueBox, Qt::AlignLeft | Qt::AlignVCenter, value);
            });
            y += h;
        }
        return y - Y;
    }

    void Paint(QPainter &painter) const
    {
        const QString printed = QStringLiteral("Printed %1 %2").arg(DateToStr(Now()), TimeToStr(Now()));
        const double h = Metrics(FooterFont).height() * 1.4;
        const QRectF footer(0, FDevice.height() - h, Width, h);
        for (std::size_t i = 0; i < FPages.size(); ++i) {
            if (i > 0)
                FDevice.newPage();
            for (const TPaint &step : FPages[i].Steps) {
                painter.save();
                step(painter);
                painter.restore();
            }
            painter.setPen(QPen(RuleColor, Mm * 0.2));
            painter.drawLine(footer.topLeft(), footer.topRight());
            painter.setPen(Qt::black);
            painter.setFont(FooterFont);
            painter.drawText(footer, Qt::AlignLeft | Qt::AlignBottom, printed);
            painter.drawText(footer, Qt::AlignHCenter | Qt::AlignBottom,
                             QStringLiteral("Inspection Report: ") + FPages[i].BatchName);
            painter.drawText(footer, Qt::AlignRight | Qt::AlignBottom,
                             QStringLiteral("Page %1 of %2").arg(i + 1).arg(FPages.size()));
        }
    }
};

// How the readings table looks, shared by the paint steps of its rows.
struct TTableLook {
    int Columns;
    int Judged;
    TAcceptanceLimit Limit;
    QList<QStringList> Titles;
    QList<double> Widths;
    QFont Font = SizedFont(8);
    QFont Bold = SizedFont(8, true);
    double RowHeight = 0;
    double Mm = 0;
};

// The readings table: every column the batch window shows, the judged figures above the limit marked.
class TReadingsTable {
public:
    TReadingsTable(TLayout &layout, const TDeviceInfo &info, const QList<TReadingRow> &rows,
                   const QList<QStringList> &texts, TAcceptanceLimit limit)
        : L(layout)
        , FRows(rows)
        , FTexts(texts)
    {
        auto look = std::make_shared<TTableLook>();
        look->Columns = ReadingColumnCount(info);
        look->Judged = JudgedColumn(info);
        look->Limit = limit;
        look->Mm = L.Mm;
        for (int c = 0; c < look->Columns; ++c)
            look->Titles << ReadingColumnTitle(c).split(QStringLiteral("\r\n"));
        // The natural widths, spread over the page; a page too narrow for them gets a smaller font.
        QList<double> natural = NaturalWidths(*look);
        double total = std::accumulate(natural.begin(), natural.end(), 0.0);
        if (total > L.Width) {
            look->Font.setPointSizeF(look->Font.pointSizeF() * L.Width / total);
            look->Bold.setPointSizeF(look->Font.pointSizeF());
            natural = NaturalWidths(*look);
            total = std::accumulate(natural.begin(), natural.end(), 0.0);
        }
        for (double w : natural)
            look->Widths << w * L.Width / total;
        look->RowHeight = L.Metrics(look->Font).height() * 1.3;
        FLook = look;
    }

    void Lay(const QString &batchName)
    {
        int titleLines = 1;
        for (const QStringList &t : FLook->Titles)
            titleLines = std::max(titleLines, static_cast<int>(t.size()));
        const double rowHeight = FLook->RowHeight;
        if (!L.Fits(rowHeight * (4 + titleLines)))
            NextPage(batchName);
        Head(titleLines);
        if (FRows.isEmpty()) {
            const QRectF box(0, L.Y, L.Width, rowHeight);
            const QFont font = FLook->Font;
            L.Add([=](QPainter &p) {
                p.setFont(font);
                p.drawText(box, Qt::AlignCenter, QStringLiteral("This Batch has no readings!."));
            });
            L.Y += rowHeight;
        }
        for (qsizetype r = 0; r < FRows.size(); ++r) {
            if (!L.Fits(rowHeight)) {
                NextPage(batchName);
                Head(titleLines);
            }
            Row(FRows[r], FTexts[r], r % 2 == 1);
        }
    }

private:
    QList<double> NaturalWidths(const TTableLook &look) const
    {
        const QFontMetricsF fm = L.Metrics(look.Font), bold = L.Metrics(look.Bold);
        QList<double> widths;
        for (int c = 0; c < look.Columns; ++c) {
            double w = 0;
            for (const QString &line : look.Titles[c])
                w = std::max(w, fm.horizontalAdvance(line));
            // The judged column leaves room for the mark beside a bold figure.
            for (const QStringList &row : FTexts)
                w = std::max(w, bold.horizontalAdvance(row.value(c)) + (c == look.Judged ? fm.height() : 0));
            widths << w + L.Mm * 2.5;
        }
        return widths;
    }

    void NextPage(const QString &batchName)
    {
        L.NewPage(batchName);
        L.Text(L.HeadingFont, QStringLiteral("Inspection Report: %1 (continued)").arg(batchName));
        L.Y += L.Mm * 2;
    }

    // The sections "Measured" and "Calculated" over the column titles, as in the batch window.
    void Head(int titleLines)
    {
        const double y = L.Y;
        const std::shared_ptr<const TTableLook> look = FLook;
        L.Add([=](QPainter &p) {
            const double h = look->RowHeight;
            const QPen rule(RuleColor, look->Mm * 0.15);
            auto box = [&](const QRectF &r, const QString &text, Qt::Alignment align) {
                p.fillRect(r, TitleFill);
                p.setPen(rule);
                p.drawRect(r);
                p.setPen(Qt::black);
                p.drawText(r, int(align), text);
            };
            p.setFont(look->Font);
            double x = 0;
            for (int c = 0; c < look->Columns;) {
                const int section = ReadingColumnSection(c);
                double w = 0;
                for (; c < look->Columns && ReadingColumnSection(c) == section; ++c)
                    w += look->Widths[c];
                if (section > 0)
                    box(QRectF(x, y, w, h), section == 1 ? QStringLiteral("Measured") : QStringLiteral("Calculated"),
                        Qt::AlignCenter);
                x += w;
            }
            x = 0;
            for (int c = 0; c < look->Columns; ++c) {
                box(QRectF(x, y + h, look->Widths[c], h * titleLines), look->Titles[c].join(QLatin1Char('\n')),
                    Qt::AlignHCenter | Qt::AlignVCenter);
                x += look->Widths[c];
            }
        });
        L.Y += FLook->RowHeight * (1 + titleLines);
    }

    void Row(const TReadingRow &row, const QStringList &texts, bool striped)
    {
        const double y = L.Y;
        const std::shared_ptr<const TTableLook> look = FLook;
        L.Add([=](QPainter &p) {
            const double h = look->RowHeight, pad = look->Mm * 1.2;
            double x = 0;
            for (int c = 0; c < look->Columns; ++c) {
                const QRectF cell(x, y, look->Widths[c], h);
                const auto figure = c == look->Judged ? JudgedFigure(row, c) : std::nullopt;
                const bool above = figure && IsAboveLimit(*figure, look->Limit);
                if (above) {
                    p.fillRect(cell, AboveLimitTint());
                    PaintAboveLimitMark(p, QPointF(x + pad + h * 0.25, y + h * 0.55), h * 0.5);
                } else if (striped) {
                    p.fillRect(cell, StripeFill);
                }
                p.setFont(above ? look->Bold : look->Font);
                p.setPen(Qt::black);
                p.drawText(cell.adjusted(pad, 0, -pad, 0),
                           int((c == 0 ? Qt::AlignHCenter : Qt::AlignRight) | Qt::AlignVCenter), texts.value(c));
                x += look->Widths[c];
            }
            p.setPen(QPen(RuleColor, look->Mm * 0.1));
            p.drawLine(QPointF(0, y + h), QPointF(x, y + h));
        });
        L.Y += FLook->RowHeight;
    }

    TLayout &L;
    const QList<TReadingRow> &FRows;
    const QList<QStringList> &FTexts;
    std::shared_ptr<const TTableLook> FLook;
};

struct TPrepared {
    const TReportBatch *Source;
    QList<TReadingRow> Rows;
    QList<QStringList> Texts;
};

// What a batch's pages say about a check code that does not prove its figures; empty when it does or
// when the batch comes from the meter.
QString CheckBanner(const TBatch &batch)
{
    if (!batch.FImported || batch.FCheckResult == crPassed)
        return {};
    if (batch.FCheckResult == crFailed)
        return QStringLiteral("Batch check code failed: the figures of this batch may have been altered since its "
                              "file was saved.");
    return QStringLiteral("Code not available: the file holds no check code for this batch, so nothing proves that "
                          "its figures are as they were saved.");
}

// The first page's list of what the report was made from and what was left out.
void LaySources(TLayout &L, const TReportSources &sources)
{
    if (sources.Inputs.isEmpty() && sources.LeftOut.isEmpty())
        return;
    L.Heading(QStringLiteral("Made from"), 0, L.Width);
    TLines lines;
    for (const TReportSources::TInput &input : sources.Inputs)
        lines.append({input.Name, input.Note.isEmpty() ? QStringLiteral("read") : input.Note.simplified()});
    L.Y += L.Pairs(lines, 0, L.Width);
    if (!sources.LeftOut.isEmpty()) {
        L.Y += L.Mm * 2;
        L.Heading(QStringLiteral("Left out"), 0, L.Width);
        for (const QString &item : sources.LeftOut)
            L.Text(L.BodyFont, item);
    }
    L.Y += L.Mm * 5;
}

void LayBatch(TLayout &L, const TPrepared &prepared, TAcceptanceLimit limit, const TReportSources *sources)
{
    const TReportBatch &rb = *prepared.Source;
    const QList<TReadingRow> &rows = prepared.Rows;
    const TBatch &batch = *rb.Batch;
    const TDeviceInfo &info = batch.DeviceInfo();
    const QString name = batch.FName.trimmed();
    L.Banner = CheckBanner(batch);
    L.NewPage(name);

    L.Text(L.TitleFont, QStringLiteral("Inspection Report"));
    L.Text(L.BodyFont, QStringLiteral("Batch %1, measured with the Talvo meter %2").arg(name, info.SerialNumber));
    L.Y += L.Mm * 5;
    if (sources)
        LaySources(L, *sources);

    // The batch on the left, the meter and its settings on the right.
    const double half = (L.Width - L.Mm * 8) / 2, right = half + L.Mm * 8;
    const double top = L.Y;
    L.Heading(QStringLiteral("Batch"), 0, half);
    TLines batchLines = {
        {QStringLiteral("Batch Name"), name},
        {QStringLiteral("Batch ID"), QString::number(batch.FID)},
        {QStringLiteral("Creation Date"), DateToStr(batch.FCreationDateTime)},
        {QStringLiteral("Creation Time"), TimeToStr(batch.FCreationDateTime)},
        {QStringLiteral("Maximum Readings"), QString::number(batch.FMaxReadings)},
        {QStringLiteral("Number of Readings"), QString::number(batch.FReadingCount)},
    };
    if (batch.FImported) {
        // The code the file holds beside the code of the figures as they stand: they differ when
        // the check failed.
        batchLines.append({QStringLiteral("Code in the file"), rb.CheckCode.isEmpty() ? NoValue : rb.CheckCode});
        batchLines.append({QStringLiteral("Code of the figures"), batch.FFiguresCode});
        batchLines.append({QStringLiteral("Batch Code Check"), CheckResultText(batch.FCheckResult)});
    } else {
        batchLines.append({QStringLiteral("Batch Check Code"), rb.CheckCode.isEmpty() ? NoValue : rb.CheckCode});
    }
    const double leftHeight = L.Pairs(batchLines, 0, half);
    L.Y = top;
    L.Heading(QStringLiteral("Meter"), right, half);
    L.Y += L.Pairs({{QStringLiteral("Serial Number"), info.SerialNumber},
                    {QStringLiteral("Software Version"), info.SoftwareVersion},
                    {QStringLiteral("Config version"), info.ConfigVersion}},
                   right, half);
    L.Y += L.Mm * 3;
    L.Heading(QStringLiteral("Settings"), right, half);
    L.Y +=
        L.Pairs({{QStringLiteral("Conductivity Deionized Water"), QStringLiteral("%1 µS/cm").arg(info.DeionizedWater)},
                 {QStringLiteral("Compensation Factor"), FormatFixed(info.AutoTempComp * 100, 1) + " %/°C"},
                 {QStringLiteral("Surface Density Conversion"),
                  FormatFixed(SurfaceDensityFactor, 1) + QStringLiteral(" mg/m² per µS/cm")}},
                right, half);
    L.Y = std::max(L.Y, top + L.Metrics(L.HeadingFont).height() + L.Mm * 1.5 + leftHeight) + L.Mm * 6;

    // The statistics beside the chart.
    const int column = JudgedColumn(info);
    const TBatchStatistics statistics = ComputeStatistics(rows, column, limit);
    const double statsWidth = L.Width * 0.3, chartLeft = statsWidth + L.Mm * 8;
    const double blockTop = L.Y, chartHeight = L.Mm * 70;
    L.Heading(QStringLiteral("Statistics"), 0, statsWidth);
    L.Text(L.BodyFont, JudgedFigureName(column) + QStringLiteral(" (mg/m²)"));
    L.Y += L.Mm * 1.5;
    L.Y += L.Pairs(StatisticsLines(statistics), 0, statsWidth);
    if (limit) {
        L.Y += L.Mm * 3;
        L.Y += L.Pairs({{QStringLiteral("Acceptance limit"), QStringLiteral("%1 mg/m²").arg(*limit)}}, 0, statsWidth);
        const double h = L.Metrics(L.BodyFont).height();
        const double y = L.Y + L.Mm;
        const QFont font = L.BodyFont;
        L.Add([=](QPainter &p) {
            PaintAboveLimitMark(p, QPointF(h * 0.4, y + h * 0.55), h * 0.6);
            p.setFont(font);
            p.drawText(QRectF(h, y, statsWidth - h, h), Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("above the limit"));
        });
        L.Y += h + L.Mm;
    }
    const double statsBottom = L.Y;
    L.Y = blockTop;
    L.Heading(QStringLiteral("Chart"), chartLeft, L.Width - chartLeft);
    const QRectF chartBox(chartLeft, L.Y, L.Width - chartLeft, chartHeight);
    const TBatchChart chart(rows, column, limit);
    L.Add([=](QPainter &p) {
        p.setFont(SizedFont(7.5));
        chart.Paint(p, chartBox);
    });
    L.Y = std::max(statsBottom, chartBox.bottom()) + L.Mm * 6;

    L.Heading(QStringLiteral("Readings"), 0, L.Width);
    TReadingsTable(L, info, rows, prepared.Texts, limit).Lay(name);
}

} // namespace

QPageLayout ReportPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                       QPageLayout::Millimeter);
}

void PaintInspectionReport(QPagedPaintDevice &device, const QList<TReportBatch> &batches, TAcceptanceLimit limit,
                           const TReportSources &sources)
{
    // Every row first: a batch whose readings are missing fails before a page is painted.
    std::vector<TPrepared> prepared;
    for (const TReportBatch &b : batches) {
        const QList<TReadingRow> rows = ReadingRows(*b.Batch);
        prepared.push_back({&b, rows, ReadingTexts(*b.Batch, rows)});
    }
    TLayout layout(device);
    for (std::size_t i = 0; i < prepared.size(); ++i)
        LayBatch(layout, prepared[i], limit, i == 0 ? &sources : nullptr);
    QPainter painter(&device);
    if (!painter.isActive())
        throw Error(QStringLiteral("The report could not be printed."));
    layout.Paint(painter);
}

bool IsSameFile(const QString &fileName, const QString &other)
{
    std::error_code ec;
    const bool same = std::filesystem::equivalent(QFile::encodeName(fileName).toStdString(),
                                                  QFile::encodeName(other).toStdString(), ec);
    return same && !ec;
}

void SaveInspectionReportPdf(const QString &fileName, const QList<TReportBatch> &batches, TAcceptanceLimit limit,
                             const TReportSources &sources)
{
    QStringList inputs;
    for (const TReportSources::TInput &input : sources.Inputs)
        inputs << input.File;
    for (const TReportBatch &b : batches)
        inputs << b.Batch->FSourceFile;
    for (const QString &input : inputs)
        if (!input.isEmpty() && IsSameFile(fileName, input))
            throw Error(QStringLiteral("The report would write over its input file %1; nothing was written.")
                            .arg(QDir::toNativeSeparators(input)));
    const auto failed = [&](const QString &reason) {
        return Error(QStringLiteral("Could not save the report to pdf file.\r\n%1: %2")
                         .arg(QDir::toNativeSeparators(fileName), reason));
    };
    TFileReplacement out(fileName);
    if (!out.Create())
        throw failed(out.File().errorString().isEmpty() ? QStringLiteral("the file cannot be created")
                                                        : out.File().errorString());
    {
        QPdfWriter writer(&out.File());
        writer.setPageLayout(ReportPageLayout());
        writer.setTitle(QStringLiteral("Inspection Report"));
        writer.setCreator(QStringLiteral("Vornell"));
        PaintInspectionReport(writer, batches, limit, sources);
    }
    if (out.File().error() != QFileDevice::NoError)
        throw failed(out.File().errorString());
    if (!out.Commit())
        throw failed(QStringLiteral("the file cannot be put in place"));
}
