#include "app/frmViewBatch.h"

#include "app/BatchInspection.h"
#include "app/FixedColumn.h"
#include "model/Batches.h"
#include "model/Conversions.h"
#include "model/DeviceInfo.h"
#include "model/Errors.h"
#include "model/Prompts.h"
#include "model/ReadingTable.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTableWidget>
#include <algorithm>

namespace {

TBatch *Checked(TBatch *batch)
{
    if (!batch)
        throw Error(QStringLiteral("Batch information not assigned!."));
    if (!batch->FDeviceInfo)
        throw Error(QStringLiteral("Device information not assigned!."));
    return batch;
}

// The width each column adds to its title's.
const int AddedWidth[] = {10, 40, 35, 20, 20, 20, 20, 20, 20};

constexpr int DefaultRowHeight = 16;
constexpr int TopAreaHeight = 176;
constexpr int BottomStripHeight = 41;
constexpr int SectionStripHeight = 27;

} // namespace

TfrmViewBatch::TfrmViewBatch(QWidget *owner, TBatch *batch, Prompts &prompts)
    : QWidget(owner)
    , FBatch(Checked(batch))
    , FPrompts(prompts)
{
    // The designed font: 8 point Tahoma at 96 dpi is 11 pixels high.
    QFont designed = font();
    designed.setPixelSize(11);
    setFont(designed);
    resize(577, 613);
    FTopArea = new QScrollArea(this);
    FTopArea->setObjectName(QStringLiteral("TopArea"));
    FTopArea->setFrameShape(QFrame::NoFrame);
    FTopArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FTopArea->setWidgetResizable(false);
    FTopHeight = TopAreaHeight;
    auto *topContent = new QWidget;
    FTopArea->setWidget(topContent);
    gpbHeader = new QGroupBox(QStringLiteral("Batch header"), topContent);
    gpbHeader->setGeometry(10, 10, 371, 160);

    const QString titles[] = {QStringLiteral("Batch ID"),
                              QStringLiteral("Batch Name"),
                              QStringLiteral("Creation Date"),
                              QStringLiteral("Creation Time"),
                              QStringLiteral("Maximum Readings"),
                              QStringLiteral("Number of Readings"),
                              QStringLiteral("Conductivity Deionized Water"),
                              QStringLiteral("Compensation Factor"),
                              QStringLiteral("Surface Density Conversion"),
                              QStringLiteral("Batch Code Check")};
    const QString units[] = {
        {}, {}, {}, {}, {}, {}, QStringLiteral("µS/cm"), QStringLiteral("%/°C"), QStringLiteral("mg/m² per µS/cm  "),
        {}};
    // A wider font than the designed one moves the columns right instead of cutting the titles off.
    int shift = 0;
    for (const QString &t : titles)
        shift = qMax(shift, fontMetrics().horizontalAdvance(t) + 4 - 145);
    for (int i = 0; i < 10; ++i) {
        const int y = 20 + 15 * i;
        auto *title = new QLabel(titles[i], gpbHeader);
        title->setGeometry(10, y, 145 + shift, 15);
        auto *colon = new QLabel(QStringLiteral(":"), gpbHeader);
        colon->setGeometry(155 + shift, y, 5, 15);
        auto *value = new QLabel(gpbHeader);
        value->setObjectName(titles[i]);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setGeometry(160 + shift, y, 115, 15);
        if (!units[i].isEmpty()) {
            auto *unit = new QLabel(units[i], gpbHeader);
            const int unitWidth = fontMetrics().horizontalAdvance(units[i]);
            unit->setGeometry(280 + shift, y, unitWidth, 15);
            if (280 + shift + unitWidth + 6 > gpbHeader->width())
                gpbHeader->resize(280 + shift + unitWidth + 6, gpbHeader->height());
        }
        if (i == 9) {
            FCheckLine = {title, colon, value};
            for (QLabel *l : FCheckLine)
                l->hide();
        }
    }

    FSectionModel = new QStandardItemModel(0, 3, this);
    FSectionModel->setHorizontalHeaderLabels({QString(), QStringLiteral("Measured"), QStringLiteral("Calculated")});
    hdrSections = new QHeaderView(Qt::Horizontal, this);
    hdrSections->setModel(FSectionModel);
    hdrSections->setSectionResizeMode(QHeaderView::Fixed);
    hdrSections->setStretchLastSection(false);
    hdrSections->setSectionsClickable(false);

    stgReadings = new QTableWidget(this);
    stgReadings->verticalHeader()->hide();
    // Columns cut off by a narrow window stay reachable.
    stgReadings->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    stgReadings->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    stgReadings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    stgReadings->setSelectionBehavior(QAbstractItemView::SelectRows);
    stgReadings->setWordWrap(false);
    stgReadings->verticalHeader()->setDefaultSectionSize(DefaultRowHeight);
    stgReadings->verticalHeader()->setMinimumSectionSize(DefaultRowHeight);
    stgReadings->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    stgReadings->horizontalHeader()->setDefaultAlignment(Qt::AlignHCenter | Qt::AlignTop);
    stgReadings->horizontalHeader()->setFixedHeight(3 * DefaultRowHeight);
    // The section bar scrolls with the columns it names.
    connect(stgReadings->horizontalScrollBar(), &QScrollBar::valueChanged, hdrSections,
            [this] { hdrSections->setOffset(stgReadings->horizontalHeader()->offset()); });

    btnSave = new QPushButton(QStringLiteral("&Save"), this);
    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnSave->resize(75, 25);
    btnClose->resize(75, 25);
    connect(btnSave, &QPushButton::clicked, this, &TfrmViewBatch::btnSaveClick);
    connect(btnClose, &QPushButton::clicked, this, &TfrmViewBatch::btnCloseClick);
    setAttribute(Qt::WA_DeleteOnClose);

    actCopy = new QAction(QStringLiteral("Copy"), stgReadings);
    actCopy->setShortcut(QKeySequence::Copy);
    actCopy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(actCopy, &QAction::triggered, this, &TfrmViewBatch::CopyRows);
    stgReadings->addAction(actCopy);
    stgReadings->setContextMenuPolicy(Qt::ActionsContextMenu);

    btnPrint = new QPushButton(QStringLiteral("&Print..."), this);
    btnExportPdf = new QPushButton(QStringLiteral("&Export PDF..."), this);
    for (QPushButton *b : {btnPrint, btnExportPdf})
        b->resize(qMax(90, b->sizeHint().width()), 25);
    connect(btnPrint, &QPushButton::clicked, this, [this] {
        if (OnPrint)
            OnPrint(*FBatch);
    });
    connect(btnExportPdf, &QPushButton::clicked, this, [this] {
        if (OnExportPdf)
            OnExportPdf(*FBatch);
    });
    tabReadings = new QTabBar(this);
    tabReadings->addTab(QStringLiteral("Readings"));
    tabReadings->addTab(QStringLiteral("Chart"));
    tabReadings->setExpanding(false);
    FInspection = std::make_unique<TBatchInspection>(this);
    FInspection->gpbStatistics->setParent(topContent);
    // New figures or a limit change the panel's size: the window lays itself out again.
    FInspection->gpbStatistics->installEventFilter(this);
    FInspection->Chart->hide();
    new TFixedColumn(stgReadings);
    connect(tabReadings, &QTabBar::currentChanged, this, [this](int tab) {
        hdrSections->setVisible(tab == 0);
        stgReadings->setVisible(tab == 0);
        FInspection->Chart->setVisible(tab == 1);
    });

    try {
        FormCreate();
    } catch (const std::exception &e) {
        HandleAppException(prompts, e);
    }
    ShowInspection();
    setMinimumSize(MinimumSize());
    LayoutAreas();
}

TfrmViewBatch::~TfrmViewBatch() = default;

void TfrmViewBatch::SetAcceptanceLimit(TAcceptanceLimit limit)
{
    FLimit = limit;
    FInspection->Show(*stgReadings, FLimit);
}

void TfrmViewBatch::ShowInspection()
{
    // Of the rows shown, also when filling the grid stopped early.
    FInspection->SetRows(FRows, JudgedColumn(*FBatch));
    FInspection->Show(*stgReadings, FLimit);
}

QLabel *TfrmViewBatch::ValueLabel(const QString &title) const
{
    return gpbHeader->findChild<QLabel *>(title);
}

int TfrmViewBatch::TextWidthOf(const QString &text) const
{
    int widest = 0;
    for (const QString &piece : text.split(QStringLiteral("\r\n")))
        widest = qMax(widest, fontMetrics().horizontalAdvance(piece));
    return widest;
}

void TfrmViewBatch::FormCreate()
{
    const TBatch &b = *FBatch;
    if (b.FImported)
        btnSave->setEnabled(false);
    ValueLabel(QStringLiteral("Batch ID"))->setText(QString::number(b.FID));
    ValueLabel(QStringLiteral("Batch Name"))->setText(b.FName.trimmed());
    ValueLabel(QStringLiteral("Creation Date"))->setText(DateToStr(b.FCreationDateTime));
    ValueLabel(QStringLiteral("Creation Time"))
        ->setText(QDateTimeFromDateTime(b.FCreationDateTime).time().toString(QStringLiteral("HH:mm:ss")));
    ValueLabel(QStringLiteral("Maximum Readings"))->setText(QString::number(b.FMaxReadings));
    ValueLabel(QStringLiteral("Number of Readings"))->setText(QString::number(b.FReadingCount));
    ValueLabel(QStringLiteral("Surface Density Conversion"))->setText(FormatFixed(SurfaceDensityFactor, 1));
    FillDeviceValues();

    if (b.FImported) {
        FTopHeight = TopAreaHeight + 15;
        gpbHeader->resize(gpbHeader->width(), gpbHeader->height() + 15);
        for (QLabel *l : FCheckLine)
            l->show();
        FCheckLine[2]->setText(CheckResultText(b.FCheckResult));
    }
    FillGrid();
}

void TfrmViewBatch::FillDeviceValues()
{
    const TDeviceInfo &info = FBatch->DeviceInfo();
    ValueLabel(QStringLiteral("Compensation Factor"))->setText(FormatFixed(info.AutoTempComp * 100, 1));
    ValueLabel(QStringLiteral("Conductivity Deionized Water"))->setText(QString::number(info.DeionizedWater));
}

void TfrmViewBatch::FillGrid()
{
    stgReadings->clearContents();
    FRows.clear();
    const int columns = ReadingColumnCount(*FBatch);
    stgReadings->setRowCount(1);
    stgReadings->setColumnCount(columns);
    for (int c = 0; c < columns; ++c) {
        const QString title = ReadingColumnTitle(c);
        auto *item = new QTableWidgetItem(QString(title).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
        stgReadings->setHorizontalHeaderItem(c, item);
        stgReadings->setColumnWidth(c, TextWidthOf(title) + AddedWidth[c]);
    }
    FitSections();
    FillReadings();
}

void TfrmViewBatch::FitSections()
{
    auto w = [this](int c) { return stgReadings->columnWidth(c); };
    hdrSections->resizeSection(0, w(0) + 2);
    hdrSections->resizeSection(1, w(1) + 4 + w(2) + w(3) + w(4));
    hdrSections->resizeSection(2, w(5) + 3 + w(6) + w(7) + (stgReadings->columnCount() > 8 ? w(8) : 0));
}

void TfrmViewBatch::FitColumnsToCells()
{
    // A longer date or time format than the titles allow for widens its column instead of cutting it.
    bool widened = false;
    for (int c = 0; c < stgReadings->columnCount(); ++c) {
        int widest = stgReadings->columnWidth(c);
        for (int r = 0; r < stgReadings->rowCount(); ++r)
            if (const QTableWidgetItem *item = stgReadings->item(r, c))
                widest = qMax(widest, fontMetrics().horizontalAdvance(item->text()) + 8);
        if (widest > stgReadings->columnWidth(c)) {
            stgReadings->setColumnWidth(c, widest);
            widened = true;
        }
    }
    if (widened)
        FitSections();
}

void TfrmViewBatch::FillReadings()
{
    // The batch's own figures: an imported batch's as its file holds them.
    const QList<TReadingRow> rows = ReadingRows(*FBatch);
    const QList<QStringList> texts = ReadingTexts(*FBatch, rows);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QStringList &fields = texts[i];
        FRows << rows[i];
        const int row = stgReadings->rowCount() - 1;
        for (int c = 0; c < stgReadings->columnCount() && c < fields.size(); ++c) {
            const QString text = fields[c].isEmpty() ? QStringLiteral(" ") : fields[c];
            // Cells right of the number column keep one blank of room at their right edge.
            auto *item = new QTableWidgetItem(c == 0 ? text : text + QLatin1Char(' '));
            item->setTextAlignment(c == 0 ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignRight | Qt::AlignTop);
            if (c == 0) {
                item->setBackground(palette().button());
                item->setFlags(Qt::ItemIsEnabled);
            }
            stgReadings->setItem(row, c, item);
        }
        if (i + 1 < rows.size())
            stgReadings->setRowCount(row + 2);
    }
    FitColumnsToCells();
}

void TfrmViewBatch::ShowFigures()
{
    try {
        FillDeviceValues();
        FillGrid();
    } catch (const std::exception &e) {
        HandleAppException(FPrompts, e);
    }
    ShowInspection();
}

void TfrmViewBatch::CopyRows()
{
    QList<int> rows;
    for (const QModelIndex &index : stgReadings->selectionModel()->selectedIndexes())
        if (!rows.contains(index.row()))
            rows << index.row();
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end());
    QStringList titles;
    for (int c = 0; c < stgReadings->columnCount(); ++c)
        titles << stgReadings->horizontalHeaderItem(c)->text().replace(QLatin1Char('\n'), QLatin1Char(' '));
    QString text = titles.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (int r : rows) {
        QStringList cells;
        for (int c = 0; c < stgReadings->columnCount(); ++c) {
            const QTableWidgetItem *item = stgReadings->item(r, c);
            cells << (item ? item->text().trimmed() : QString());
        }
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    QApplication::clipboard()->setText(text);
}

QAbstractButton *TfrmViewBatch::OwnAccessKey(const QKeyEvent *event) const
{
    const QKeySequence pressed(event->keyCombination());
    for (QAbstractButton *button : findChildren<QAbstractButton *>())
        if (button->isVisible() && button->isEnabled() && QKeySequence::mnemonic(button->text()) == pressed)
            return button;
    return nullptr;
}

bool TfrmViewBatch::event(QEvent *event)
{
    // The window's own access keys come before the main menu's: Alt+C presses Close, not Connection.
    if (event->type() == QEvent::ShortcutOverride && OwnAccessKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void TfrmViewBatch::keyPressEvent(QKeyEvent *event)
{
    if (QAbstractButton *button = OwnAccessKey(event)) {
        button->animateClick();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TfrmViewBatch::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!FWidened) {
        FWidened = true;
        FormShow();
    }
}

void TfrmViewBatch::FormShow()
{
    int total = 4;
    for (int c = 0; c < stgReadings->columnCount(); ++c)
        total += stgReadings->columnWidth(c) + 1;
    // Whether the scroll bar shows depends on the rows against the grid's height at this moment.
    const int rowsHeight = stgReadings->rowCount() * DefaultRowHeight + 3 * DefaultRowHeight;
    if (rowsHeight > stgReadings->height() - 2)
        total += stgReadings->verticalScrollBar()->sizeHint().width();
    // The outer width is that of the child window's frame when the window lives in the main window.
    QWidget *outer = qobject_cast<QMdiSubWindow *>(parentWidget()) ? parentWidget() : this;
    if (total + 28 > outer->width())
        outer->resize(total + 28, outer->height());
    FWidth = width();
}

void TfrmViewBatch::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayoutAreas();
}

int TfrmViewBatch::TopAreaLeast() const
{
    // A short window scrolls its header and statistics: room for the scroll bar's two arrows.
    return 2 * FTopArea->verticalScrollBar()->sizeHint().width();
}

int TfrmViewBatch::BelowTopArea(int width) const
{
    // The tabs, the section bar, the grid's title row with three rows below it (and the horizontal
    // scroll bar when the columns are wider than the grid), the border and the buttons.
    int columns = 2 * stgReadings->frameWidth() + stgReadings->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < stgReadings->columnCount(); ++c)
        columns += stgReadings->columnWidth(c);
    const int scrollBar = columns > width - 20 ? stgReadings->horizontalScrollBar()->sizeHint().height() : 0;
    const int grid = 2 * stgReadings->frameWidth() + 3 * DefaultRowHeight + 3 * DefaultRowHeight + scrollBar;
    return 4 + tabReadings->sizeHint().height() + SectionStripHeight + grid + 10 + BottomStripHeight;
}

QSize TfrmViewBatch::MinimumSize() const
{
    // The header's width with the scroll bar of a short window, the buttons, and the grid usable
    // below the least of the header.
    const int width = qMax(10 + gpbHeader->width() + 10 + FTopArea->verticalScrollBar()->sizeHint().width(),
                           10 + btnPrint->width() + 9 + btnExportPdf->width() + 20 + 75 + 84 + 8);
    return {width, TopAreaLeast() + BelowTopArea(0)};
}

void TfrmViewBatch::LayoutTopArea(int width, int height)
{
    // The statistics beside the header when there is room, else below it; the area scrolls when the
    // window is too short for all of it.
    QGroupBox *statistics = FInspection->gpbStatistics;
    const QSize wanted = statistics->sizeHint();
    const int beside = gpbHeader->geometry().right() + 11;
    const int scrollBar = FTopArea->verticalScrollBar()->sizeHint().width();
    auto fitsBeside = [&](int room) { return beside + wanted.width() + 10 <= room; };
    auto contentHeight = [&](bool side) {
        return side ? FTopHeight : gpbHeader->geometry().bottom() + 7 + wanted.height() + 10;
    };
    bool side = fitsBeside(width);
    int top = std::clamp(height - BelowTopArea(width), TopAreaLeast(), contentHeight(side));
    if (top < contentHeight(side) && side && !fitsBeside(width - scrollBar)) {
        side = false;
        top = std::clamp(height - BelowTopArea(width), TopAreaLeast(), contentHeight(side));
    }
    if (side)
        statistics->setGeometry(beside, gpbHeader->y(), wanted.width(), gpbHeader->height());
    else
        statistics->setGeometry(gpbHeader->x(), gpbHeader->geometry().bottom() + 7, wanted.width(), wanted.height());
    const int room = top < contentHeight(side) ? width - scrollBar : width;
    FTopArea->widget()->resize(qMax(room, statistics->geometry().right() + 10), contentHeight(side));
    FTopArea->setGeometry(0, 0, width, top);
}

void TfrmViewBatch::LayoutAreas()
{
    LayoutTopArea(width(), height());
    const int top = FTopArea->height();
    const int bottom = height() - BottomStripHeight;
    // The tabs over the readings area, which the chart shares.
    const int tabs = tabReadings->sizeHint().height();
    tabReadings->setGeometry(10, top + 4, width() - 20, tabs);
    const int readingsTop = top + 4 + tabs;
    hdrSections->setGeometry(10, readingsTop, width() - 20, SectionStripHeight);
    stgReadings->setGeometry(10, readingsTop + SectionStripHeight, width() - 20,
                             qMax(0, bottom - 10 - (readingsTop + SectionStripHeight)));
    FInspection->Chart->setGeometry(10, readingsTop, width() - 20, qMax(0, bottom - 10 - readingsTop));
    btnClose->move(width() - 8 - 75, bottom + 2);
    btnSave->move(btnClose->x() - 84, bottom + 2);
    btnPrint->move(10, bottom + 2);
    btnExportPdf->move(btnPrint->geometry().right() + 9, bottom + 2);
}

bool TfrmViewBatch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FInspection->gpbStatistics && event->type() == QEvent::LayoutRequest) {
        setMinimumSize(MinimumSize());
        LayoutAreas();
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmViewBatch::btnSaveClick()
{
    if (OnSave)
        OnSave(*FBatch);
}

void TfrmViewBatch::btnCloseClick()
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->close();
    else
        close();
}
